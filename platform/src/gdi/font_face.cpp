#include "font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <fstream>
#include <iterator>
#include <mutex>

#include "freetype_lock.h"

namespace {

// Font files above this size are not read whole (the largest CJK collections are ~30 MB).
constexpr std::uintmax_t kMaxFontFileBytes = 64u << 20;

std::optional<std::vector<BYTE>> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size <= 0 || static_cast<std::uintmax_t>(size) > kMaxFontFileBytes) return std::nullopt;
  std::vector<BYTE> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

FT_Face AsFace(void* face) { return static_cast<FT_Face>(face); }

FontFaceMetrics ReadMetrics(FT_Face face) {
  FontFaceMetrics m;
  m.unitsPerEm = face->units_per_EM;
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  m.ascent = face->ascender;
  m.descent = -face->descender;
  if (hhea) m.maxAdvance = hhea->advance_Width_Max;
  if (os2 && os2->version != 0xFFFF) {
    // GDI's cell is the Windows ascent and descent, which the face's makers set to clear every glyph.
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      m.ascent = os2->usWinAscent;
      m.descent = os2->usWinDescent;
    }
    m.averageWidth = os2->xAvgCharWidth;
    m.weight = os2->usWeightClass;
    m.firstChar = os2->usFirstCharIndex;
    m.lastChar = os2->usLastCharIndex;
  }
  const int typographic = face->ascender - face->descender + (hhea ? hhea->Line_Gap : 0);
  m.lineGap = std::max(0, typographic - (m.ascent + m.descent));
  m.fixedPitch = FT_IS_FIXED_WIDTH(face);
  return m;
}

}  // namespace

std::shared_ptr<const FontFace> FontFace::Open(const std::string& path, int index) {
  std::optional<std::vector<BYTE>> bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  std::shared_ptr<FontFace> font(new FontFace);
  font->file_ = std::move(*bytes);
  const std::span<const BYTE> file = font->file_;

  std::size_t faceOffset = 0;
  if (const auto offsets = ReadCollectionFaceOffsets(file)) {
    if (index < 0 || static_cast<std::size_t>(index) >= offsets->size()) return nullptr;
    font->inCollection_ = true;
    faceOffset = (*offsets)[static_cast<std::size_t>(index)];
  } else if (index != 0) {
    return nullptr;
  }
  auto tables = ReadSfntTables(file, faceOffset);
  if (!tables) return nullptr;
  font->tables_ = std::move(*tables);

  const std::lock_guard lock(FreeTypeMutex());
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(FreeTypeLibrary(), font->file_.data(), static_cast<FT_Long>(font->file_.size()), index,
                         &face) != 0)
    return nullptr;
  font->face_ = face;
  if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  font->metrics_ = ReadMetrics(face);
  return font;
}

FontFace::~FontFace() {
  if (!face_) return;
  const std::lock_guard lock(FreeTypeMutex());
  FT_Done_Face(AsFace(face_));
}

int FontFace::AdvanceUnits(char32_t codePoint) const {
  const std::lock_guard lock(FreeTypeMutex());
  const FT_UInt glyph = FT_Get_Char_Index(AsFace(face_), codePoint);
  FT_Fixed advance = 0;
  if (FT_Get_Advance(AsFace(face_), glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
  return static_cast<int>(advance);
}

std::optional<std::span<const BYTE>> FontFace::Table(std::uint32_t tag) const {
  return FindSfntTable(file_, tables_, tag);
}
