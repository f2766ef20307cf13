#include "image_resource.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "part_write_stream.h"
#include "platform/com.h"
#include "platform/gdiplus_image.h"
#include "platform/utf.h"
#include "platform/xps_parts.h"

namespace {

constexpr std::size_t kMaxKeyCharacters = 259;
constexpr std::size_t kRememberedFiles = 16;

// The file as it is on disk; all zero for a path that names no file.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  time_t seconds = 0;
  long nanoseconds = 0;
  mode_t mode = 0;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::u16string& path) {
  const std::optional<std::string> narrow = Utf16ToUtf8(path);
  struct stat info {};
  if (!narrow || stat(narrow->c_str(), &info) != 0) return {};
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_mode};
}

// What the process learnt of a file: its size on the page, or why it cannot
// be used. Bounded; the oldest is forgotten first.
struct Known {
  std::u16string path;
  FileIdentity identity;
  HRESULT result = S_OK;
  REAL width = 0;
  REAL height = 0;
};

class KnownFiles {
 public:
  std::optional<Known> Find(const std::u16string& path, const FileIdentity& identity) {
    const std::lock_guard lock(mutex_);
    for (const Known& known : files_)
      if (known.path == path && known.identity == identity) return known;
    return std::nullopt;
  }
  void Remember(Known known) {
    const std::lock_guard lock(mutex_);
    std::erase_if(files_, [&](const Known& k) { return k.path == known.path; });
    if (files_.size() == kRememberedFiles) files_.pop_front();
    files_.push_back(std::move(known));
  }

 private:
  std::mutex mutex_;
  std::deque<Known> files_;
};

KnownFiles& Remembered() {
  static KnownFiles files;
  return files;
}

const char* Reason(GpStatus status) {
  switch (status) {
    case FileNotFound: return "no such file";
    case AccessDenied: return "not a regular file that can be read";
    case OutOfMemory: return "the image is too large";
    case UnknownImageFormat: return "not an image that can be read, or damaged";
    default: return "it cannot be converted";
  }
}

void Warn(const std::u16string& path, const char* reason) {
  const std::string narrow = Utf16ToUtf8(path).value_or("(a path that is not text)");
  std::fprintf(stderr, "xprepflt: watermark bitmap \"%s\" left off the page: %s\n", narrow.c_str(), reason);
}

// A URI path segment: letters, digits and - . _ stay, every other byte of
// the UTF-8 text becomes %XX.
std::u16string EscapeSegment(std::u16string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::u16string escaped;
  const std::string utf8 = Utf16ToUtf8(text).value_or("image");
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '.' || byte == '_') {
      escaped.push_back(byte);
    } else {
      escaped += {u'%', static_cast<char16_t>(kHex[byte >> 4]), static_cast<char16_t>(kHex[byte & 0xF])};
    }
  }
  return escaped;
}

// The millisecond clock, but never the same number twice in the process.
DWORD NextNameNumber() {
  static std::atomic<DWORD> last{0};
  DWORD previous = last.load();
  DWORD next;
  do {
    const DWORD now = GetTickCount();
    next = now > previous ? now : previous + 1;
  } while (!last.compare_exchange_weak(previous, next));
  return next;
}

std::optional<ImageCodecInfo> PngEncoder() {
  UINT count = 0, size = 0;
  if (GdipGetImageEncodersSize(&count, &size) != Ok || count == 0 || size < count * sizeof(ImageCodecInfo))
    return std::nullopt;
  std::vector<ImageCodecInfo> codecs(size / sizeof(ImageCodecInfo) + 1);
  if (GdipGetImageEncoders(count, size, codecs.data()) != Ok) return std::nullopt;
  for (UINT i = 0; i < count; ++i)
    if (codecs[i].MimeType && std::u16string_view(codecs[i].MimeType) == u"image/png") return codecs[i];
  return std::nullopt;
}

struct ImageDeleter {
  void operator()(GpImage* image) const { GdipDisposeImage(image); }
};
using ImagePtr = std::unique_ptr<GpImage, ImageDeleter>;

// The image and its size at 96 dots per inch, or the failure the same file
// gave before (reported then).
HRESULT LoadImage(const std::u16string& path, ImagePtr* image, REAL* width, REAL* height) {
  const FileIdentity identity = IdentityOf(path);
  if (const auto known = Remembered().Find(path, identity); known && FAILED(known->result)) return known->result;
  const auto fail = [&](GpStatus status) {
    Warn(path, Reason(status));
    const HRESULT hr = HresultFromGdiplusStatus(status);
    Remembered().Remember({path, identity, FAILED(hr) ? hr : E_FAIL});
    return FAILED(hr) ? hr : E_FAIL;
  };
  GpImage* loaded = nullptr;
  const GpStatus status = GdipLoadImageFromFile(path.c_str(), &loaded);
  image->reset(loaded);
  if (status != Ok) return fail(status);
  UINT pixelsWide = 0, pixelsHigh = 0;
  REAL dpiX = 0, dpiY = 0;
  GdipGetImageWidth(loaded, &pixelsWide);
  GdipGetImageHeight(loaded, &pixelsHigh);
  GdipGetImageHorizontalResolution(loaded, &dpiX);
  GdipGetImageVerticalResolution(loaded, &dpiY);
  *width = static_cast<REAL>(pixelsWide);
  *height = static_cast<REAL>(pixelsHigh);
  // The PNG written from the image declares the same resolution.
  if (dpiX > 0 && dpiY > 0) {
    *width = 96.0f / dpiX * *width;
    *height = 96.0f / dpiY * *height;
  }
  Remembered().Remember({path, identity, S_OK, *width, *height});
  return S_OK;
}

}  // namespace

HRESULT ImageResource::GetCacheKey(Bstr* key) {
  if (!key) return E_POINTER;
  *key = Bstr(key_);
  return S_OK;
}

HRESULT ImageResource::GetPartUri(Bstr* uri) {
  if (!uri) return E_POINTER;
  const std::u16string_view path = std::u16string_view(key_).substr(0, kMaxKeyCharacters);
  const std::size_t separator = path.find_last_of(u"\\/:");
  const std::u16string_view base = separator == std::u16string_view::npos ? path : path.substr(separator + 1);
  std::u16string name = u"/WM_" + EscapeSegment(base) + u"_";
  for (const char c : std::to_string(NextNameNumber())) name.push_back(static_cast<char16_t>(c));
  name += u".png";
  *uri = Bstr(name);
  return S_OK;
}

HRESULT ImageResource::WritePartContent(IUnknown* part, IPrintWriteStream* stream) {
  if (!part || !stream) return E_POINTER;
  ImagePtr image;
  if (const HRESULT hr = LoadImage(key_, &image, &width_, &height_); FAILED(hr)) return hr;
  sized_ = true;
  const std::optional<ImageCodecInfo> encoder = PngEncoder();
  if (!encoder) return E_FAIL;
  // PNG is compressed already: a package that deflates it again only spends time.
  if (ComPtr<IPartBase> base; SUCCEEDED(part->QueryInterface(IID_IPartBase, base.PutVoid())) && base)
    base->SetPartCompression(Compression_NotCompressed);
  const ComPtr<PartWriteStream> target = MakeComObject<PartWriteStream>(stream);
  if (!target) return E_OUTOFMEMORY;
  // Written straight into the part: a large bitmap is not held a second time as PNG.
  if (const GpStatus saved = GdipSaveImageToStream(image.get(), target.Get(), &encoder->Clsid, nullptr); saved != Ok) {
    if (FAILED(target->FirstFailure())) return target->FirstFailure();
    Warn(key_, Reason(saved));
    const HRESULT hr = HresultFromGdiplusStatus(saved);
    return FAILED(hr) ? hr : E_FAIL;
  }
  ComPtr<IPartImage> partImage;
  if (FAILED(part->QueryInterface(IID_IPartImage, partImage.PutVoid())) || !partImage) return E_NOINTERFACE;
  const Bstr contentType(u"image/png");
  return partImage->SetImageContent(contentType.Get());
}

HRESULT ImageResource::GetImageSize(REAL* width, REAL* height) {
  if (!width || !height) return E_POINTER;
  if (!sized_) {
    if (const auto known = Remembered().Find(key_, IdentityOf(key_)); known && SUCCEEDED(known->result)) {
      width_ = known->width;
      height_ = known->height;
    } else {
      ImagePtr image;
      if (const HRESULT hr = LoadImage(key_, &image, &width_, &height_); FAILED(hr)) return hr;
    }
    sized_ = true;
  }
  *width = width_;
  *height = height_;
  return S_OK;
}
