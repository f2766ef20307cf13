// The image of a bitmap watermark: the file the ticket names, converted in
// memory to one PNG part per file for the whole job (the cache key is the
// path), and its size on the page in XPS units from its pixels and resolution.
//
// The path comes from the user's ticket and is opened in the print service:
// only a regular file is read, and oversized or damaged images are refused
// (see platform/gdiplus_image.h); a refusal is reported once per file on
// stderr and leaves the page without the watermark.
#pragma once

#include <string>

#include "framework/resource_provider.h"
#include "platform/gdiplus_matrix.h"
#include "platform/stream.h"

class ImageResource final : public ResourceProvider {
 public:
  explicit ImageResource(std::u16string fileName) : key_(std::move(fileName)) {}

  // The PNG bytes, all of them (a copy cut short is a failure), then the
  // part's content type "image/png". E_POINTER for NULL arguments,
  // E_NOINTERFACE for a part that is not an image.
  HRESULT WritePartContent(IUnknown* part, IPrintWriteStream* stream) override;
  HRESULT GetCacheKey(Bstr* key) override;
  // "/WM_<file name>_<number>.png": the file's base name escaped as a URI
  // segment, and a number from the millisecond clock that is never handed out
  // twice in the process, so that two files converted in the same
  // millisecond still get two names.
  HRESULT GetPartUri(Bstr* uri) override;

  // Converts the file to PNG once for this object; later calls rewind.
  HRESULT LoadPngStream();
  // The size at 96 dots per inch: pixels x 96 / resolution. Known sizes are
  // remembered for the file as it is on disk (same inode, size and time), so
  // the pages after the first do not convert it again.
  HRESULT GetImageSize(REAL* width, REAL* height);

 private:
  std::u16string key_;
  ComPtr<IStream> png_;
  REAL width_ = 0;  // at 96 dots per inch, known with the PNG
  REAL height_ = 0;
};
