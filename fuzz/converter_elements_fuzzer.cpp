// The markup converter of the driver package (libxpsconv, loaded as the rip
// filter loads it) on a hostile element stream: fuzzed page markup read by
// the SAX reader and handed over as the rip filter hands over a page
// (XPSStartElem, XPSReadAtt for the last attribute first, then XPSEndElem, or
// XPSEndCurElem for an element without children), drawn at a small device
// size into a raster sink that checks what it receives. Fonts, colour
// profiles and images come from stubs: fixed files of the system or the
// input's own bytes. Whatever the page holds, it is drawn or fails within the
// run's time and memory bounds.
//
// Input: a byte of device choices (resolution, rotation, planes), a byte of
// resource choices, the page up to a NUL byte, then the bytes the stubs hand out.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "converter/raster_job.h"
#include "framework/markup_handler_base.h"
#include "framework/markup_parse.h"
#include "fuzz_input.h"
#include "markup_check.h"
#include "platform/utf.h"

namespace {

// The converter's entry points, from the module loaded once for the process.
struct Converter {
  XpsSetConvResAPIFunction setResources;
  XpsSetPageDeviceFunction setDevice;
  XPSStartElemFunction start;
  XPSReadAttFunction attribute;
  XPSEndElemFunction end;
  XPSEndCurElemFunction endCurrent;
};

template <typename Function>
Function Entry(void* module, const char* name) {
  void* entry = dlsym(module, name);
  if (!entry) __builtin_trap();
  return reinterpret_cast<Function>(entry);
}

const Converter& LoadedConverter() {
  static const Converter converter = [] {
    // Never unloaded: libFuzzer reads the coverage counters of an instrumented library.
    void* module = dlopen(KESTREL_DRIVER_DIR "/3/libxpsconv.so", RTLD_NOW | RTLD_LOCAL);
    if (!module) __builtin_trap();
    return Converter{Entry<XpsSetConvResAPIFunction>(module, "XpsSetConvResAPI"),
                     Entry<XpsSetPageDeviceFunction>(module, "XpsSetPageDevice"),
                     Entry<XPSStartElemFunction>(module, "XPSStartElem"),
                     Entry<XPSReadAttFunction>(module, "XPSReadAtt"),
                     Entry<XPSEndElemFunction>(module, "XPSEndElem"),
                     Entry<XPSEndCurElemFunction>(module, "XPSEndCurElem")};
  }();
  return converter;
}

std::vector<BYTE> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Fixed resources: a font, a collection, and colour profiles of four colour spaces.
struct SystemFiles {
  std::array<std::vector<BYTE>, 2> fonts{FileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
                                         FileBytes("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc")};
  std::array<std::vector<BYTE>, 4> profiles{FileBytes("/usr/share/color/icc/ghostscript/srgb.icc"),
                                            FileBytes("/usr/share/color/icc/ghostscript/default_gray.icc"),
                                            FileBytes("/usr/share/color/icc/ghostscript/default_cmyk.icc"),
                                            FileBytes("/usr/share/color/icc/ghostscript/lab.icc")};
};

const SystemFiles& Files() {
  static const SystemFiles* files = new SystemFiles;
  return *files;
}

// What the stubs hand out for the current input.
struct Resources {
  std::uint8_t choices = 0;
  std::string_view bytes;
};
Resources current;

constexpr std::uint8_t kFuzzedFont = 1, kFuzzedProfile = 2, kImageProfile = 4;

// One allocation from the converter's allocator, filled; 0 with the outputs cleared when it refuses.
INT HandOut(ConverterAllocator allocate, ConverterDeallocator release, std::string_view bytes, BYTE** buffer,
            DWORD* size) {
  *buffer = nullptr;
  *size = 0;
  void* block = bytes.empty() ? nullptr : allocate(static_cast<DWORD>(bytes.size()));
  if (!block) {
    release(nullptr);
    return 0;
  }
  std::memcpy(block, bytes.data(), bytes.size());
  *buffer = static_cast<BYTE*>(block);
  *size = static_cast<DWORD>(bytes.size());
  return 1;
}

std::string_view View(const std::vector<BYTE>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The input's bytes when the choice asks for them, else one of the files, the same for a URI each time.
template <std::size_t N>
std::string_view Pick(std::uint8_t choice, const std::array<std::vector<BYTE>, N>& files, const char* uri) {
  return current.choices & choice ? current.bytes : View(files[std::hash<std::string_view>{}(uri) % N]);
}

INT FontStub(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage*, const char* uri, void*, void*,
             BYTE** buffer, DWORD* size) {
  return HandOut(allocate, release, Pick(kFuzzedFont, Files().fonts, uri), buffer, size);
}

INT ProfileStub(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage*, const char* uri, void*, void*,
                BYTE** buffer, DWORD* size) {
  return HandOut(allocate, release, Pick(kFuzzedProfile, Files().profiles, uri), buffer, size);
}

// An ImageBlock as the contract describes it, its size, colour type and
// resolution read from the input's bytes, its pixels the bytes after them.
// Blocks past a few megabytes are first asked of the allocator whole, which
// must refuse those past the converter's bound; smaller ones are then cut to
// fewer rows, to keep a run cheap.
INT ImageStub(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage*, const char* uri, void*, void*,
              BYTE** out) {
  *out = nullptr;
  struct Kind {
    BYTE type, depth;
  };
  static constexpr Kind kKinds[] = {{kImageGray, 1},     {kImageRgb, 3},           {kImageCmyk, 4},
                                    {kImageRgba, 4},     {kImageCmykAlpha, 5},     {kImageChannels, 6},
                                    {kImageChannelsAlpha, 8}};
  const std::string_view bytes = current.bytes;
  auto byte = [&](std::size_t i) { return i < bytes.size() ? static_cast<BYTE>(bytes[i]) : BYTE{0}; };
  const Kind kind = kKinds[(byte(0) + std::strlen(uri)) % std::size(kKinds)];
  const std::uint64_t width = byte(1) | unsigned{byte(2)} << 8, height = byte(3) | unsigned{byte(4)} << 8;
  const std::string_view profile = current.choices & kImageProfile ? View(Files().profiles[0]) : std::string_view();
  auto blockSize = [&](std::uint64_t rows) { return kImageBlockHeaderSize + kind.depth * width * rows + profile.size(); };
  std::uint64_t rows = height;
  constexpr std::uint64_t kCheap = 4u << 20;
  if (blockSize(rows) > 0xFFFFFFFFu) return 0;
  if (blockSize(rows) > kCheap) {
    void* whole = allocate(static_cast<DWORD>(blockSize(rows)));
    if (!whole) return 0;
    release(whole);
    rows = (kCheap - kImageBlockHeaderSize - profile.size()) / (kind.depth * width);
  }
  const std::uint64_t size = blockSize(rows);
  auto* block = static_cast<BYTE*>(allocate(static_cast<DWORD>(size)));
  if (!block) return 0;
  ImageBlockHeader header{};
  std::memcpy(header.magic, "RIRO", 4);
  header.version[0] = 6;
  header.headerKind[0] = 28;
  header.width[0] = static_cast<BYTE>(width), header.width[1] = static_cast<BYTE>(width >> 8);
  header.height[0] = static_cast<BYTE>(rows), header.height[1] = static_cast<BYTE>(rows >> 8);
  header.dpiX[0] = byte(5), header.dpiY[0] = byte(6);
  header.dpiXFraction[1] = byte(7), header.dpiYFraction[1] = byte(7);
  header.bytesPerPixel = kind.depth;
  header.colorType = kind.type;
  header.one = 1;
  header.mark = 0x31;
  const std::size_t pixels = kind.depth * width * rows;
  if (!profile.empty()) {
    header.profileFlag = kImageProfileFollows;
    const std::uint64_t offset = kImageBlockHeaderSize + pixels;
    for (int i = 0; i < 4; ++i) {
      header.profileOffset[i] = static_cast<BYTE>(offset >> (24 - 8 * i));
      header.profileSize[i] = static_cast<BYTE>(profile.size() >> (24 - 8 * i));
    }
    std::memcpy(block + offset, profile.data(), profile.size());
  }
  std::memcpy(block, &header, sizeof header);
  for (std::size_t i = 0; i < pixels; ++i) block[kImageBlockHeaderSize + i] = byte(8 + i % 256) ^ static_cast<BYTE>(i);
  *out = block;
  return 1;
}

// The raster sink: a page's rows must come in bands that add up to its height.
struct Sink {
  RasterPageFormat format{};
  std::uint64_t rows = 0;
  bool open = false;
};

INT BeginPage(void* control, const RasterPageFormat* format) {
  Sink& sink = *static_cast<Sink*>(control);
  if (sink.open || !format || format->width == 0 || format->height == 0) __builtin_trap();
  sink = Sink{*format, 0, true};
  return 1;
}

INT WriteRows(void* control, const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  Sink& sink = *static_cast<Sink*>(control);
  if (!sink.open || !rows || count == 0 || stride != std::size_t{sink.format.width} * sink.format.planes)
    __builtin_trap();
  // Reads the band's ends, so that the sanitizer sees a band shorter than it claims.
  volatile std::uint8_t ends = rows[0] ^ rows[count * stride - 1];
  (void)ends;
  sink.rows += count;
  if (sink.rows > sink.format.height) __builtin_trap();
  return 1;
}

INT EndPage(void* control) {
  Sink& sink = *static_cast<Sink*>(control);
  if (!sink.open || sink.rows != sink.format.height) __builtin_trap();
  sink.open = false;
  return 1;
}

INT MayContinue(void*) { return 1; }

// The SAX reader's events as the converter's element calls; a call the
// converter refuses stops the parse, as it stops the rip filter's.
class ElementFeed final : public MarkupHandlerBase {
 public:
  ElementFeed(const Converter& converter, RasterJob* job)
      : MarkupHandlerBase(nullptr), converter_(converter), job_(job) {}

  HRESULT startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qNameLength,
                       ISAXAttributes* attributes) override {
    if (!Narrow(qName, qNameLength, name_) || !converter_.start(name_.c_str(), job_)) return E_FAIL;
    just_started_ = true;
    int count = 0;
    if (FAILED(attributes->getLength(&count))) return E_FAIL;
    for (int index = count - 1; index >= 0; --index) {
      const WCHAR *uri, *local, *qualified, *value;
      int uriLength, localLength, qualifiedLength, valueLength;
      if (FAILED(attributes->getName(index, &uri, &uriLength, &local, &localLength, &qualified, &qualifiedLength)) ||
          FAILED(attributes->getValue(index, &value, &valueLength)) ||
          !Narrow(qualified, qualifiedLength, name_))
        return E_FAIL;
      INT accepted = 0;
      if (name_ == "UnicodeString") {
        wide_.assign(value, static_cast<std::size_t>(valueLength));
        accepted = converter_.attribute(name_.c_str(), wide_.c_str(), job_);
      } else {
        accepted = Narrow(value, valueLength, value_) && converter_.attribute(name_.c_str(), value_.c_str(), job_);
      }
      if (!accepted) return E_FAIL;
    }
    return S_OK;
  }

  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qNameLength) override {
    const bool childless = just_started_;
    just_started_ = false;
    if (childless) return converter_.endCurrent(job_) ? S_OK : E_FAIL;
    return Narrow(qName, qNameLength, name_) && converter_.end(name_.c_str(), job_) ? S_OK : E_FAIL;
  }

 private:
  static bool Narrow(const WCHAR* text, int length, std::string& out) {
    const auto utf8 = Utf16ToUtf8(std::u16string_view(text, static_cast<std::size_t>(length)));
    if (!utf8) return false;
    out = *utf8;
    return true;
  }

  const Converter& converter_;
  RasterJob* job_;
  bool just_started_ = false;
  std::string name_, value_;
  std::u16string wide_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Converter& converter = LoadedConverter();
  kestrel::fuzz::FuzzInput input(data, size);
  const std::uint8_t device = input.Byte();
  current.choices = input.Byte();
  const std::string_view page = input.Until('\0');
  current.bytes = input.Rest();

  Sink sink;
  RasterJob job{sizeof(RasterJob), &sink, &BeginPage, &WriteRows, &EndPage, &MayContinue, {}, {}, nullptr};
  // Letter media at 8 to 96 dpi, each rotation, 1, 3 or 4 planes.
  constexpr INT kWidth = 215900, kHeight = 279400;
  static constexpr INT kPlanes[] = {1, 3, 4};
  const INT resolution = 8 * (1 + device % 12), rotation = 2 + device / 12 % 4, planes = kPlanes[device / 48 % 3];
  if (!converter.setResources(&job, nullptr, &FontStub, &ProfileStub, &ImageStub, nullptr, nullptr) ||
      !converter.setDevice(&job, 1, 1, kWidth, kHeight, 0, 0, kWidth, kHeight, resolution, resolution, rotation, 0, 4,
                           100, kHeight, kHeight, planes, planes, 8 * planes))
    __builtin_trap();
  const auto feed = ComPtr<ElementFeed>::Attach(new ElementFeed(converter, &job));
  ParseMarkup(kestrel::fuzz::ReadStreamOn(page).Get(), feed.Get());
  // A page cut short is dropped as the next page's start would drop it.
  if (job.page.discard) job.page.discard(job.page.state);
  // And the job ends, with what it kept beyond the page.
  if (job.kept.discard) job.kept.discard(job.kept.state);
  return 0;
}
