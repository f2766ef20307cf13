// The namespace URIs print tickets and print capabilities are written in.
#pragma once

inline constexpr char16_t kPrintSchemaFrameworkNs[] =
    u"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr char16_t kPrintSchemaKeywordsNs[] =
    u"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
inline constexpr char16_t kXmlSchemaNs[] = u"http://www.w3.org/2001/XMLSchema";
inline constexpr char16_t kXmlSchemaInstanceNs[] = u"http://www.w3.org/2001/XMLSchema-instance";

// The driver's own keywords: settings blocks and options the standard keywords lack.
// The printer description of the driver package uses the same URI.
inline constexpr char16_t PRIVATE_KEYWORDS_NS[] =
    u"http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords";
