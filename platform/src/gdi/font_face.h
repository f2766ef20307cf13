// One installed face opened for measuring and for reading its file: the file's
// bytes, where the face sits in it (a collection holds several), its table
// directory, and the design-unit metrics GDI's measurements are scaled from.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/sfnt.h"
#include "platform/types.h"

struct FontFaceMetrics {
  int unitsPerEm = 0;
  int ascent = 0;   // above the baseline, positive
  int descent = 0;  // below the baseline, positive
  int lineGap = 0;  // the typographic line height beyond ascent + descent
  int averageWidth = 0;
  int maxAdvance = 0;
  int weight = 400;
  bool fixedPitch = false;
  char16_t firstChar = 0;
  char16_t lastChar = 0xFFFF;
};

class FontFace {
 public:
  // nullptr when the file cannot be read or is not a face FreeType and our
  // own bounded reader both accept (a unitsPerEm of 0 included).
  static std::shared_ptr<const FontFace> Open(const std::string& path, int index);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const FontFaceMetrics& Metrics() const { return metrics_; }
  // The advance of the code point's glyph in design units (the missing glyph's
  // for an unmapped one).
  int AdvanceUnits(char32_t codePoint) const;
  std::span<const BYTE> File() const { return file_; }
  bool InCollection() const { return inCollection_; }
  // The table with that tag (as stored in the file), or nothing.
  std::optional<std::span<const BYTE>> Table(std::uint32_t tag) const;

 private:
  FontFace() = default;

  std::vector<BYTE> file_;
  bool inCollection_ = false;
  std::vector<SfntTableRecord> tables_;
  FontFaceMetrics metrics_;
  void* face_ = nullptr;  // FT_Face, kept out of this header
};
