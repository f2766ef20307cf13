#include "jpegxr_codec.h"

#include <algorithm>
#include <array>
#include <new>

#include <JXRGlue.h>
#undef min
#undef max

namespace imaging::jpegxr {

struct Codec::Decoder {
  PKImageDecode* decoder = nullptr;
  ~Decoder() {
    if (decoder) decoder->Release(&decoder);
  }
};

Codec::Codec() = default;
Codec::~Codec() = default;

Status Codec::Open(std::span<const std::uint8_t> data) {
  decoder_.reset(new (std::nothrow) Decoder);
  if (!decoder_) return Status::kNoMemory;
  WMPStream* stream = nullptr;
  if (Failed(CreateWS_Memory(&stream, const_cast<std::uint8_t*>(data.data()), data.size()))) return Status::kNoMemory;
  if (Failed(PKImageDecode_Create_WMP(&decoder_->decoder))) {
    stream->Close(&stream);
    return Status::kNoMemory;
  }
  PKImageDecode* decoder = decoder_->decoder;
  if (Failed(decoder->Initialize(decoder, stream))) {
    stream->Close(&stream);
    return Status::kBadImage;
  }
  decoder->fStreamOwner = !0;  // closed with the decoder
  // Colour and alpha both; jxrlib's default leaves the alpha plane out.
  planarAlpha_ = decoder->WMP.bHasAlpha != 0;
  decoder->WMP.wmiSCP.uAlphaMode = planarAlpha_ ? 2 : 0;
  PKPixelFormatGUID guid;
  I32 width = 0, height = 0;
  if (Failed(decoder->GetPixelFormat(decoder, &guid)) || Failed(decoder->GetSize(decoder, &width, &height)) ||
      width <= 0 || height <= 0)
    return Status::kBadImage;
  width_ = static_cast<std::uint32_t>(width);
  height_ = static_cast<std::uint32_t>(height);
  static constexpr std::array<unsigned char, 7> kFamily = {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9};
  if (guid.Data1 == 0x6fddc324 && guid.Data2 == 0x4e03 && guid.Data3 == 0x4bfe &&
      std::equal(kFamily.begin(), kFamily.end(), guid.Data4))
    formatId_ = guid.Data4[7];
  Float x = 0, y = 0;
  if (!Failed(decoder->GetResolution(decoder, &x, &y))) {
    dpiX_ = x;
    dpiY_ = y;
  }
  return Status::kOk;
}

std::vector<std::uint8_t> Codec::ColorContext() const {
  PKImageDecode* decoder = decoder_->decoder;
  U32 size = 0;
  if (Failed(decoder->GetColorContext(decoder, nullptr, &size)) || size == 0) return {};
  std::vector<std::uint8_t> profile(size);
  if (Failed(decoder->GetColorContext(decoder, profile.data(), &size)) || size > profile.size()) return {};
  profile.resize(size);
  return profile;
}

Status Codec::CopyAll(std::uint8_t* out, std::size_t stride) {
  PKImageDecode* decoder = decoder_->decoder;
  const PKRect all{0, 0, static_cast<I32>(width_), static_cast<I32>(height_)};
  if (Failed(decoder->Copy(decoder, &all, out, static_cast<U32>(stride)))) return Status::kBadImage;
  return Status::kOk;
}

}  // namespace imaging::jpegxr
