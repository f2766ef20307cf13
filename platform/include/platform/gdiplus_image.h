// Images of the GDI+ flat API: loading BMP, GIF (first frame), PNG, JPEG and
// TIFF files or streams, their size and resolution, and saving as PNG through
// the one encoder listed.
//
// Loading is meant for paths and bytes nobody vouches for: only regular files
// are opened (a FIFO, a device or a directory is AccessDenied, never waited
// on), files and images are bounded (kMaxImageFileBytes, kMaxImagePixels:
// OutOfMemory beyond them) and all size arithmetic is checked. Damaged or
// unknown data is UnknownImageFormat, an unreadable file FileNotFound or
// AccessDenied. The pixels are held decoded, 8 bits a sample.
#pragma once

#include <cstdint>

#include "platform/gdiplus_status.h"
#include "platform/guid.h"
#include "platform/stream.h"
#include "platform/types.h"

using REAL = float;

struct GpImage;  // made by the loaders, freed by GdipDisposeImage
using GpBitmap = GpImage;

inline constexpr std::uint64_t kMaxImageFileBytes = std::uint64_t{1} << 28;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 25;
// The resolution of an image whose file gives none.
inline constexpr REAL kDefaultImageDpi = 96.0f;

// The last error of a save into a stream that stopped taking bytes.
inline constexpr DWORD ERROR_WRITE_FAULT = 29;

struct ImageCodecInfo {
  CLSID Clsid;
  GUID FormatID;
  const WCHAR* CodecName;
  const WCHAR* DllName;
  const WCHAR* FormatDescription;
  const WCHAR* FilenameExtension;
  const WCHAR* MimeType;
  DWORD Flags;
  DWORD Version;
  DWORD SigCount;
  DWORD SigSize;
  const BYTE* SigPattern;
  const BYTE* SigMask;
};

struct EncoderParameters;  // none is supported: pass NULL

GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
// Reads the stream from its position to its end.
GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap);
GpStatus GdipDisposeImage(GpImage* image);

GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
// Dots per inch; kDefaultImageDpi where the file declares none.
GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution);
GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution);

// The encoders: one, "image/png". size is in bytes, for GdipGetImageEncoders.
GpStatus GdipGetImageEncodersSize(UINT* count, UINT* size);
GpStatus GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);
// Writes the image as PNG (8-bit grey, grey and alpha, RGB or RGBA, as the
// image holds; rows stored uncompressed, for speed) with its resolution in a
// pHYs chunk, straight into the stream. A stream that takes fewer bytes than
// it was given is Win32Error with ERROR_WRITE_FAULT; after any failure the
// stream may hold the start of the PNG.
GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                               const EncoderParameters* parameters);
