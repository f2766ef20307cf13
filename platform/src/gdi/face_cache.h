// Faces and matches kept between requests: a decoration asks for the same
// font on every page, and opening a face reads its whole file. Bounded in
// entries and bytes, the least recently used going first.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "font_face.h"
#include "font_match.h"

std::shared_ptr<const FontFace> OpenCachedFontFace(const FontFileLocation& location);
std::vector<FontFileLocation> CachedMatchFontFaces(std::u16string_view family, LONG weight, bool italic, BYTE charSet);
