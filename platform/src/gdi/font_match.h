// Which installed faces fit a font request, best first, through fontconfig:
// its aliases give what a user expects ("Arial" reaches a metric-compatible
// face such as Liberation Sans), and only TrueType/OpenType outlines qualify.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

struct FontFileLocation {
  std::string path;
  int index = 0;  // the face in a collection
};

std::vector<FontFileLocation> MatchFontFaces(std::u16string_view family, LONG weight, bool italic, BYTE charSet);
