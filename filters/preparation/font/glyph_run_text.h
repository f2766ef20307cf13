// The attribute texts every glyph run of a text decoration carries.
#pragma once

#include <string>

#include "platform/types.h"

// "#RRGGBB" of a 0xRRGGBB colour (bits above 24 are not part of it).
std::u16string GlyphFillText(DWORD colour);
// "None", "ItalicSimulation", "BoldSimulation" or "BoldItalicSimulation".
std::u16string StyleSimulationsText(bool bold, bool italic);
// The point size in 1/96 inch, rounded to the nearest whole number; empty for
// a size whose conversion overflows.
std::u16string FontRenderingEmSizeText(int pointSize);
