// A page's resource part found by the reference the converter passes, and
// its bytes read whole.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/unknown.h"
#include "platform/xps_parts.h"

inline constexpr HRESULT kPartSilent = HRESULT_FROM_WIN32(1460);    // ERROR_TIMEOUT
inline constexpr HRESULT kPartTooLarge = HRESULT_FROM_WIN32(223);   // ERROR_FILE_TOO_LARGE

// uri: UTF-8, absolute or relative to the page, an optional "#fragment" (a
// font's face index) ignored. HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when the
// page has no such part, E_NOINTERFACE when the part is of another kind.
HRESULT FindPagePart(IFixedPage* page, const char* uri, REFIID riid, IPartBase** part);

// Reads the part's stream from its start to its end into *bytes, in as many
// reads as it takes. A part still being written is waited for: the stream's
// reads block until bytes come, and a stream that answers "nothing yet"
// without its end is asked again every 10 ms, giving up after 1000 silent
// answers in a row (kPartSilent). A part longer than limit bytes is refused
// (kPartTooLarge) without reading further.
HRESULT ReadWholePart(IPartBase* part, std::size_t limit, std::vector<BYTE>* bytes);
