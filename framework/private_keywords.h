// The namespace of the driver's own print-schema keywords.
#pragma once

inline constexpr char16_t PRIVATE_KEYWORDS_NS[] =
    u"http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords";
