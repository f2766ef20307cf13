// What the embedded font's file is read for: one face taken out of a
// collection as a standalone font, the lines drawn with text, and glyphs
// beyond the Basic Multilingual Plane. Font files are hostile input: every
// count, offset and length is checked before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/types.h"

// In fractions of the em; the defaults serve a font that lacks OS/2, head or post.
struct FontLineMetrics {
  float strikeoutPosition = 0.052083336f;
  float strikeoutSize = 0.0625f;
  float underlinePosition = -0.28125f;
  float underlineThickness = 0.0625f;
};

// The first face of the collection whose full name (name ID 4, Windows
// Unicode) is fullName, as a font file of its own: its offset table and
// directory, then its tables in directory order, each starting on a 4-byte
// boundary with zero padding, the directory's offsets pointing at them.
// Nothing when no face has that name or the collection is malformed.
std::optional<std::vector<BYTE>> ExtractCollectionFace(std::span<const BYTE> collection, std::u16string_view fullName);

FontLineMetrics ReadLineMetrics(std::span<const BYTE> font);

// The glyph of a code point in the font's first format-12 cmap subtable.
std::optional<std::uint32_t> FindFormat12Glyph(std::span<const BYTE> font, char32_t codePoint);
