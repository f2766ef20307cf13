#include "platform/imaging.h"

#include "platform/checked_int.h"

#include <cstring>
#include <new>

namespace imaging {

HRESULT BitmapFrame::Make(UINT width, UINT height, PixelFormat format, std::unique_ptr<BitmapFrame>* frame) {
  std::unique_ptr<BitmapFrame> made;
  HRESULT hr = Describe(width, height, format, &made);
  if (SUCCEEDED(hr)) hr = made->PlacePixels({});
  if (SUCCEEDED(hr)) *frame = std::move(made);
  return hr;
}

HRESULT BitmapFrame::Describe(UINT width, UINT height, PixelFormat format, std::unique_ptr<BitmapFrame>* frame) {
  if (width == 0 || height == 0) return IMAGING_E_BADIMAGE;
  if (width > kMaxFrameSide || height > kMaxFrameSide) return IMAGING_E_TOOLARGE;
  const std::uint64_t stride = (std::uint64_t{width} * BitsPerPixel(format) + 7) / 8;
  if (stride > kMaxFramePixelBytes || stride * height > kMaxFramePixelBytes) return IMAGING_E_TOOLARGE;
  std::unique_ptr<BitmapFrame> made(new (std::nothrow) BitmapFrame);
  if (!made) return E_OUTOFMEMORY;
  made->width_ = width;
  made->height_ = height;
  made->format_ = format;
  made->stride_ = IntCast<std::size_t>(stride);
  *frame = std::move(made);
  return S_OK;
}

HRESULT BitmapFrame::PlacePixels(const PixelPlacement& place) {
  BYTE* placed = nullptr;
  if (place) {
    const HRESULT hr = place(*this, &placed);
    if (FAILED(hr)) return hr;
  }
  if (!placed) {
    ownPixels_.reset(new (std::nothrow) BYTE[stride_ * height_]);
    placed = ownPixels_.get();
    if (!placed) return E_OUTOFMEMORY;
  }
  pixels_ = placed;
  return S_OK;
}

void BitmapFrame::SetResolution(double dpiX, double dpiY) {
  // A resolution that is no positive finite number counts as undeclared.
  auto sane = [](double dpi) { return dpi > 0 && dpi < 1e6 ? dpi : 0.0; };
  dpiX_ = sane(dpiX);
  dpiY_ = sane(dpiY);
}

std::span<const BYTE> BitmapFrame::Row(UINT y) const { return {pixels_ + stride_ * y, stride_}; }

HRESULT BitmapFrame::CopyPixels(UINT y, UINT rows, std::span<BYTE> out) const {
  if (y > height_ || rows > height_ - y) return E_INVALIDARG;
  if (out.size() < stride_ * rows) return E_INVALIDARG;
  if (rows) std::memcpy(out.data(), pixels_ + stride_ * y, stride_ * rows);
  return S_OK;
}

HRESULT BitmapDecoder::GetFrame(UINT index, const BitmapFrame** frame) const {
  if (!frame) return E_POINTER;
  *frame = nullptr;
  if (index != 0) return E_INVALIDARG;
  *frame = frame_.get();
  return S_OK;
}

}  // namespace imaging
