// The image of a bitmap watermark: the file the ticket names, decoded in
// memory and written as one PNG part per file for the whole job (the cache
// key is the path), and its size on the page in XPS units from its pixels and
// resolution.
//
// The path comes from the user's ticket and is opened in the print service:
// only a regular file is read, and oversized or damaged images are refused
// (see platform/gdiplus_image.h); a refusal is reported once per file on
// stderr and leaves the page without the watermark.
#pragma once

#include <string>

#include "framework/resource_provider.h"
#include "platform/gdiplus_matrix.h"

class ImageResource final : public ResourceProvider {
 public:
  explicit ImageResource(std::u16string fileName) : key_(std::move(fileName)) {}

  // The file converted to PNG straight into the stream, all of it (a copy cut
  // short is a failure), then the part's content type "image/png". E_POINTER
  // for NULL arguments, E_NOINTERFACE for a part that is not an image.
  HRESULT WritePartContent(IUnknown* part, IPrintWriteStream* stream) override;
  HRESULT GetCacheKey(Bstr* key) override;
  // "/WM_<file name>_<number>.png": the file's base name escaped as a URI
  // segment, and a number from the millisecond clock that is never handed out
  // twice in the process, so that two files converted in the same
  // millisecond still get two names.
  HRESULT GetPartUri(Bstr* uri) override;

  // The size at 96 dots per inch: pixels x 96 / resolution. Known sizes are
  // remembered for the file as it is on disk (same inode, size and time), so
  // the pages after the first do not read it again.
  HRESULT GetImageSize(REAL* width, REAL* height);

 private:
  std::u16string key_;
  bool sized_ = false;  // width_ and height_ learnt by this object
  REAL width_ = 0;
  REAL height_ = 0;
};
