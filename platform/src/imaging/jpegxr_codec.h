// jxrlib behind a plain interface: its headers define their own GUID and
// min/max, so they stay inside jpegxr_codec.cpp, apart from the platform's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace imaging::jpegxr {

enum class Status { kOk, kBadImage, kNoMemory };

class Codec {
 public:
  Codec();
  ~Codec();
  Status Open(std::span<const std::uint8_t> data);
  std::uint32_t Width() const { return width_; }
  std::uint32_t Height() const { return height_; }
  // The last byte of the pixel format GUID of jxrlib's one format family; -1 for another GUID.
  int FormatId() const { return formatId_; }
  // Alpha coded as a plane of its own (rather than interleaved with the colour).
  bool PlanarAlpha() const { return planarAlpha_; }
  float DpiX() const { return dpiX_; }
  float DpiY() const { return dpiY_; }
  std::vector<std::uint8_t> ColorContext() const;
  // Decodes the whole image into out, rows stride bytes apart. The codec may
  // write whole 16 x 16 macroblocks: out must cover width and height rounded up to 16.
  Status CopyAll(std::uint8_t* out, std::size_t stride);

 private:
  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  std::uint32_t width_ = 0, height_ = 0;
  int formatId_ = -1;
  bool planarAlpha_ = false;
  float dpiX_ = 0, dpiY_ = 0;
};

}  // namespace imaging::jpegxr
