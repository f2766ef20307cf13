// The converter's resource callbacks: fonts and profiles handed out byte for
// byte, images as ImageBlocks (header, colour types, pixels against Python's
// imaging library through the imaging tests' fixtures), parts still arriving
// waited for, and every failure a 0 with nothing left to free.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "filters/rip/image_block.h"
#include "filters/rip/resource_callbacks.h"
#include "platform/com_object.h"
#include "platform/part_content.h"
#include "platform/system_info.h"
#include "tests/rip/rip_test_parts.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;
using imaging::PixelFormat;

// The converter's memory: counts what it hands out and takes back.
struct ConverterMemory {
  static inline int allocations = 0;
  static inline int releases = 0;
  static inline int nullReleases = 0;
  static inline bool refuse = false;
  static void* Allocate(DWORD size) {
    if (refuse) return nullptr;
    ++allocations;
    return std::malloc(size ? size : 1);
  }
  static void Release(void* block) {
    if (!block) {
      ++nullReleases;
      return;
    }
    ++releases;
    std::free(block);
  }
  static void Reset() { allocations = releases = nullReleases = 0, refuse = false; }
};

using StreamMaker = std::function<HRESULT(IPrintReadStream**)>;

StreamMaker OnBytes(Bytes bytes) {
  return [bytes](IPrintReadStream** stream) { return CreateReadStreamOnBytes(bytes, stream); };
}

template <typename I>
class ResourcePart : public ComObject<I> {
 public:
  ResourcePart(std::string uri, StreamMaker stream) : uri_(std::move(uri)), stream_(std::move(stream)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(Utf8ToUtf16(uri_).value().c_str());
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override { return stream_(stream); }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

 private:
  std::string uri_;
  StreamMaker stream_;
};

class FontPart final : public ResourcePart<IPartFont> {
 public:
  using ResourcePart::ResourcePart;
  HRESULT GetFontProperties(BSTR*, EXpsFontOptions*) override { return E_NOTIMPL; }
  HRESULT SetFontContent(BSTR) override { return E_NOTIMPL; }
  HRESULT SetFontOptions(EXpsFontOptions) override { return E_NOTIMPL; }
};

class ImagePart final : public ResourcePart<IPartImage> {
 public:
  using ResourcePart::ResourcePart;
  HRESULT GetImageProperties(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetImageContent(BSTR) override { return E_NOTIMPL; }
};

using ProfilePart = ResourcePart<IPartColorProfile>;

constexpr char kPageName[] = "/Documents/1/Pages/1.fpage";

class ResourceCallbacksTest : public ::testing::Test {
 protected:
  void SetUp() override { ConverterMemory::Reset(); }

  template <typename Part>
  void Add(const std::string& uri, StreamMaker stream) {
    page_->AddResource(uri, ComPtr<IUnknown>(MakeComObject<Part, IUnknown>(uri, std::move(stream))));
  }

  struct Fetched {
    INT result = -1;
    Bytes bytes;  // what the buffer held
    bool bufferNull = false;
    DWORD size = 0xDEAD;
  };
  Fetched Fetch(GetXPSFontDataFunction callback, const char* uri) {
    BYTE* buffer = reinterpret_cast<BYTE*>(this);  // must be overwritten
    Fetched out;
    out.result = callback(&ConverterMemory::Allocate, &ConverterMemory::Release, page_.Get(), uri, nullptr, nullptr,
                          &buffer, &out.size);
    out.bufferNull = buffer == nullptr;
    if (buffer) {
      out.bytes.assign(buffer, buffer + out.size);
      ConverterMemory::Release(buffer);
    }
    return out;
  }

  // The block as bytes (empty when the callback failed).
  Bytes Image(const char* uri, INT* result = nullptr) {
    BYTE* block = reinterpret_cast<BYTE*>(this);
    const INT got = GetXPSImageData(&ConverterMemory::Allocate, &ConverterMemory::Release, page_.Get(), uri, nullptr,
                                    nullptr, &block);
    if (result) *result = got;
    Bytes bytes;
    if (got == 1 && block) {
      ImageBlockHeader header;
      std::memcpy(&header, block, sizeof header);
      const std::size_t size = kImageBlockHeaderSize +
                               std::size_t{header.bytesPerPixel} * ImageBlockLe16(header.width) *
                                   ImageBlockLe16(header.height) +
                               ImageBlockBe32(header.profileSize);
      bytes.assign(block, block + size);
    }
    EXPECT_EQ(got == 1, block != nullptr);
    if (got == 1) ConverterMemory::Release(block);
    return bytes;
  }

  ComPtr<rip_test::Page> page_ = MakeComObject<rip_test::Page, rip_test::Page>(kPageName, "");
};

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 251);
  return bytes;
}

ImageBlockHeader HeaderOf(const Bytes& block) {
  ImageBlockHeader header{};
  if (block.size() >= sizeof header) std::memcpy(&header, block.data(), sizeof header);
  return header;
}

// ---- Fonts and profiles ----

TEST_F(ResourceCallbacksTest, FontsAndProfilesComeBackAsTheirPartsBytes) {
  const Bytes font = Pattern(40000);
  const Bytes profile = Pattern(3144);
  Add<FontPart>("/Resources/Fonts/face.odttf", OnBytes(font));
  Add<ProfilePart>("/Resources/sRGB.icc", OnBytes(profile));
  struct Case {
    const char* uri;
    GetXPSFontDataFunction callback;
    const Bytes* expected;
  };
  const std::vector<Case> cases = {
      {"/Resources/Fonts/face.odttf", &GetXPSFontData, &font},
      {"../../../Resources/Fonts/face.odttf", &GetXPSFontData, &font},  // relative to the page
      {"/Resources/Fonts/face.odttf#1", &GetXPSFontData, &font},        // a face index
      {"/Resources/sRGB.icc", &GetXPSICCData, &profile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    ConverterMemory::Reset();
    const Fetched got = Fetch(c.callback, c.uri);
    EXPECT_EQ(got.result, 1);
    EXPECT_EQ(got.size, c.expected->size());
    EXPECT_TRUE(got.bytes == *c.expected);
    EXPECT_EQ(ConverterMemory::allocations, 1);
    EXPECT_EQ(ConverterMemory::nullReleases, 0);
  }
}

// Fails a read after handing out some bytes.
class BrokenStream final : public ComObject<IPrintReadStream> {
 public:
  HRESULT Seek(LONGLONG, DWORD, ULONGLONG*) override { return S_OK; }
  HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* end) override {
    *end = FALSE;
    *read = 0;
    if (served_) return STG_E_ACCESSDENIED;
    served_ = true;
    std::memset(buffer, 'x', *read = std::min<ULONG>(cb, 10));
    return S_OK;
  }

 private:
  bool served_ = false;
};

TEST_F(ResourceCallbacksTest, AFontOrProfileThatCannotBeHadIsZeroWithTheOutputsClearedAndOneNullRelease) {
  Add<FontPart>("/Resources/font.ttf", OnBytes(Pattern(100)));
  Add<FontPart>("/Resources/empty.ttf", OnBytes({}));
  Add<FontPart>("/Resources/broken.ttf", [](IPrintReadStream** stream) {
    *stream = MakeComObject<BrokenStream, IPrintReadStream>().Detach();
    return S_OK;
  });
  Add<FontPart>("/Resources/unreadable.ttf", [](IPrintReadStream**) { return E_ACCESSDENIED; });
  Add<ImagePart>("/Resources/image.png", OnBytes(Pattern(100)));
  struct Case {
    const char* what;
    GetXPSFontDataFunction callback;
    const char* uri;
    bool refuseMemory;
  };
  const std::vector<Case> cases = {
      {"no such part", &GetXPSFontData, "/Resources/none.ttf", false},
      {"a part of another kind", &GetXPSFontData, "/Resources/image.png", false},
      {"a font asked for as a profile", &GetXPSICCData, "/Resources/font.ttf", false},
      {"an empty part", &GetXPSFontData, "/Resources/empty.ttf", false},
      {"a stream failing midway", &GetXPSFontData, "/Resources/broken.ttf", false},
      {"a part without stream", &GetXPSFontData, "/Resources/unreadable.ttf", false},
      {"the allocator answering NULL", &GetXPSFontData, "/Resources/font.ttf", true},
      {"an empty URI", &GetXPSFontData, "", false},
      {"a URI that is no UTF-8", &GetXPSFontData, "/Resources/\xff.ttf", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterMemory::Reset();
    ConverterMemory::refuse = c.refuseMemory;
    const Fetched got = Fetch(c.callback, c.uri);
    EXPECT_EQ(got.result, 0);
    EXPECT_TRUE(got.bufferNull);
    EXPECT_EQ(got.size, 0u);
    EXPECT_EQ(ConverterMemory::allocations, 0);
    EXPECT_EQ(ConverterMemory::nullReleases, 1);
  }
  // Arguments a converter should never pass: 0, without touching anything.
  BYTE* buffer = nullptr;
  DWORD size = 0;
  EXPECT_EQ(GetXPSFontData(nullptr, nullptr, page_.Get(), "/Resources/font.ttf", nullptr, nullptr, &buffer, &size), 0);
  EXPECT_EQ(GetXPSFontData(&ConverterMemory::Allocate, &ConverterMemory::Release, nullptr, "/Resources/font.ttf",
                           nullptr, nullptr, &buffer, &size), 0);
  EXPECT_EQ(GetXPSICCData(&ConverterMemory::Allocate, &ConverterMemory::Release, page_.Get(), nullptr, nullptr,
                          nullptr, &buffer, &size), 0);
  EXPECT_EQ(GetXPSFontData(&ConverterMemory::Allocate, &ConverterMemory::Release, page_.Get(),
                           "/Resources/font.ttf", nullptr, nullptr, nullptr, &size), 0);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(ConverterMemory::allocations, 0);
}

// Answers "nothing yet" a few times before each piece, as a stream that does
// not block while its part is being written would.
class HesitantStream final : public ComObject<IPrintReadStream> {
 public:
  explicit HesitantStream(Bytes bytes) : bytes_(std::move(bytes)) {}
  HRESULT Seek(LONGLONG, DWORD, ULONGLONG*) override { return S_OK; }
  HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* end) override {
    *read = 0;
    *end = FALSE;
    if (++calls_ % 4 != 0) return S_OK;
    const std::size_t n = std::min<std::size_t>({cb, 1000, bytes_.size() - offset_});
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    *read = static_cast<ULONG>(n);
    *end = offset_ == bytes_.size();
    return S_OK;
  }

 private:
  Bytes bytes_;
  std::size_t offset_ = 0;
  int calls_ = 0;
};

// A part whose first 100 bytes are written at once and the rest 50 ms later,
// while the callback reads it, by a writer on a thread of its own.
class ArrivingPart {
 public:
  explicit ArrivingPart(const Bytes& bytes) : content_(CreatePartContent()) {
    ComPtr<IPrintWriteStream> writer;
    EXPECT_EQ(content_->OpenWriter(writer.Put()), S_OK);
    ULONG written = 0;
    EXPECT_EQ(writer->WriteBytes(bytes.data(), 100, &written), S_OK);
    finisher_ = std::thread([writer, bytes] {
      Sleep(50);
      ULONG rest = 0;
      writer->WriteBytes(bytes.data() + 100, static_cast<ULONG>(bytes.size() - 100), &rest);
      writer->Close();
    });
  }
  ~ArrivingPart() { finisher_.join(); }
  StreamMaker Reader() const {
    return [content = content_](IPrintReadStream** stream) { return content->OpenReader(stream); };
  }

 private:
  std::shared_ptr<PartContent> content_;
  std::thread finisher_;
};

TEST_F(ResourceCallbacksTest, APartStillBeingWrittenIsWaitedFor) {
  const Bytes font = Pattern(5000);
  Add<FontPart>("/Resources/hesitant.ttf", [font](IPrintReadStream** stream) {
    *stream = MakeComObject<HesitantStream, IPrintReadStream>(font).Detach();
    return S_OK;
  });
  Fetched arriving;
  {
    const ArrivingPart part(font);
    Add<FontPart>("/Resources/arriving.ttf", part.Reader());
    arriving = Fetch(&GetXPSFontData, "/Resources/arriving.ttf");
  }
  EXPECT_EQ(arriving.result, 1);
  EXPECT_TRUE(arriving.bytes == font);
  const Fetched hesitant = Fetch(&GetXPSFontData, "/Resources/hesitant.ttf");
  EXPECT_EQ(hesitant.result, 1);
  EXPECT_TRUE(hesitant.bytes == font);
}

// ---- The image block ----

std::unique_ptr<imaging::BitmapFrame> Frame(UINT width, UINT height, PixelFormat format, const Bytes& pixels = {}) {
  std::unique_ptr<imaging::BitmapFrame> frame;
  EXPECT_EQ(imaging::BitmapFrame::Make(width, height, format, &frame), S_OK);
  if (frame && !pixels.empty()) std::memcpy(frame->MutablePixels().data(), pixels.data(), pixels.size());
  return frame;
}

struct MadeBlock {
  HRESULT hr = E_FAIL;
  Bytes bytes;
};

MadeBlock Make(const imaging::BitmapFrame& frame, std::size_t size) {
  BYTE* block = reinterpret_cast<BYTE*>(&size);
  MadeBlock made;
  made.hr = MakeImageBlock(frame, &ConverterMemory::Allocate, &block);
  if (SUCCEEDED(made.hr) && block) made.bytes.assign(block, block + size);
  if (FAILED(made.hr)) {
    EXPECT_EQ(block, nullptr);
  }
  ConverterMemory::Release(SUCCEEDED(made.hr) ? block : nullptr);
  return made;
}

TEST_F(ResourceCallbacksTest, TheBlockHeaderCarriesSizeResolutionTypeAndProfile) {
  // 10 x 10 RGB with a 3144-byte profile at 72.5 dpi.
  const std::unique_ptr<imaging::BitmapFrame> frame = Frame(10, 10, PixelFormat::k24bppRGB, Pattern(300));
  frame->SetResolution(72.5, 300.25);
  const Bytes profile = Pattern(3144);
  frame->AddColorContext(profile);
  const MadeBlock made = Make(*frame, 3956);
  ASSERT_EQ(made.hr, S_OK);
  const Bytes& b = made.bytes;
  const Bytes expectedStart = {'R', 'I', 'R', 'O', 6, 0, 28, 0, 10, 0, 10, 0, 72, 0, 0x2C, 1, 3, kImageRgb,
                               0, 0, 1, 0x31, 0, 2, 0x00, 0x00, 0x03, 0x2C, 0x00, 0x00, 0x0C, 0x48,
                               0x00, 0x80, 0x00, 0x40};
  EXPECT_TRUE(Bytes(b.begin(), b.begin() + 36) == expectedStart);
  EXPECT_TRUE(std::all_of(b.begin() + 36, b.begin() + 512, [](BYTE v) { return v == 0; }));
  const Bytes pixels = Pattern(300);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), b.begin() + 512));
  EXPECT_TRUE(std::equal(profile.begin(), profile.end(), b.begin() + 812));

  // No profile: bytes 23 to 31 stay 0; resolutions missing in either direction give 96 x 96.
  struct Resolution {
    double x, y;
    unsigned blockX, blockY;
  };
  for (const Resolution& r : std::vector<Resolution>{{0, 0, 96, 96}, {300, 0, 96, 96}, {0, 200, 96, 96},
                                                     {600, 1200, 600, 1200}}) {
    SCOPED_TRACE(std::to_string(r.x) + " x " + std::to_string(r.y));
    const std::unique_ptr<imaging::BitmapFrame> plain = Frame(2, 1, PixelFormat::k8bppGray, {1, 2});
    plain->SetResolution(r.x, r.y);
    const ImageBlockHeader header = HeaderOf(Make(*plain, 514).bytes);
    EXPECT_EQ(ImageBlockLe16(header.dpiX), r.blockX);
    EXPECT_EQ(ImageBlockLe16(header.dpiY), r.blockY);
    EXPECT_EQ(header.profileFlag, 0);
    EXPECT_EQ(ImageBlockBe32(header.profileOffset), 0u);
    EXPECT_EQ(ImageBlockBe32(header.profileSize), 0u);
  }
}

TEST_F(ResourceCallbacksTest, EachLayoutHasItsColourTypeAndBytesPerPixel) {
  struct Case {
    PixelFormat format;
    BYTE colorType;
    BYTE bytesPerPixel;
    Bytes source;  // one pixel
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {PixelFormat::k8bppGray, kImageGray, 1, {0x42}, {0x42}},
      {PixelFormat::k24bppBGR, kImageRgb, 3, {1, 2, 3}, {3, 2, 1}},
      {PixelFormat::k32bppPBGRA, kImageRgba, 4, {0x40, 0x40, 0x40, 0x80}, {0x7F, 0x7F, 0x7F, 0x80}},
      {PixelFormat::k32bppCMYK, kImageCmyk, 4, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {PixelFormat::k40bppCMYKAlpha, kImageCmykAlpha, 5, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}},
      // Every channel reaches the block, the last one too.
      {PixelFormat::k24bpp3Channels, kImageChannels, 3, {1, 2, 3}, {1, 2, 3}},
      {PixelFormat::k32bpp3ChannelsAlpha, kImageChannelsAlpha, 4, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {PixelFormat::k128bppRGBFloat, kImageRgb, 3, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(imaging::Name(c.format)));
    const std::unique_ptr<imaging::BitmapFrame> frame = Frame(1, 1, c.format, c.source);
    const MadeBlock made = Make(*frame, 512 + c.bytesPerPixel);
    ASSERT_EQ(made.hr, S_OK);
    const ImageBlockHeader header = HeaderOf(made.bytes);
    EXPECT_EQ(header.colorType, c.colorType);
    EXPECT_EQ(header.bytesPerPixel, c.bytesPerPixel);
    if (!c.expected.empty()) {
      EXPECT_TRUE(Bytes(made.bytes.begin() + 512, made.bytes.end()) == c.expected);
    }
  }

  // Indexed: RGBA from the palette, index by index.
  const std::unique_ptr<imaging::BitmapFrame> indexed = Frame(2, 1, PixelFormat::k8bppIndexed, {1, 0});
  indexed->SetPalette({0xFF112233u, 0x80445566u});
  const MadeBlock made = Make(*indexed, 520);
  ASSERT_EQ(made.hr, S_OK);
  EXPECT_EQ(HeaderOf(made.bytes).colorType, kImageRgba);
  EXPECT_TRUE(Bytes(made.bytes.begin() + 512, made.bytes.end()) ==
              (Bytes{0x44, 0x55, 0x66, 0x80, 0x11, 0x22, 0x33, 0xFF}));
}

TEST_F(ResourceCallbacksTest, ABlockThatCannotBeDescribedIsRefusedBeforeAnyAllocation) {
  struct Case {
    const char* what;
    UINT width, height;
    PixelFormat format;
    bool palette;
    HRESULT expected;
  };
  const std::vector<Case> cases = {
      {"wider than 16 bits", 65536, 1, PixelFormat::k8bppGray, false, imaging::IMAGING_E_TOOLARGE},
      {"taller than 16 bits", 1, 65536, PixelFormat::k8bppGray, false, imaging::IMAGING_E_TOOLARGE},
      // 134 MB of indices become 4.3 GB of RGBA: past what 32 bits count.
      {"a block past 32 bits", 65535, 16385, PixelFormat::k1bppIndexed, true, imaging::IMAGING_E_TOOLARGE},
      {"a palette without colours", 4, 4, PixelFormat::k4bppIndexed, false, imaging::IMAGING_E_BADIMAGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterMemory::Reset();
    const std::unique_ptr<imaging::BitmapFrame> frame = Frame(c.width, c.height, c.format);
    ASSERT_TRUE(frame);
    if (c.palette) frame->SetPalette({0xFF000000u, 0xFFFFFFFFu});
    EXPECT_EQ(Make(*frame, 0).hr, c.expected);
    EXPECT_EQ(ConverterMemory::allocations, 0);
  }
  ConverterMemory::Reset();
  ConverterMemory::refuse = true;
  EXPECT_EQ(Make(*Frame(1, 1, PixelFormat::k8bppGray), 0).hr, E_OUTOFMEMORY);
}

// ---- Images through the callback ----

fs::path ImagingScript() {
  const fs::path source = __FILE__;
  const fs::path base = source.is_absolute() ? fs::path() : fs::read_symlink("/proc/self/exe").parent_path();
  return (base / source).parent_path().parent_path() / "platform" / "imaging_reference.py";
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The imaging tests' fixtures: every kind of image the decoders read, each
// with the pixels Python's imaging library (or the writer) gives.
class ResourceCallbacksImageTest : public ResourceCallbacksTest {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(fs::temp_directory_path() / ("kestrel_callbacks_" + std::to_string(getpid())));
    fs::create_directories(*folder_);
    ready_ = std::system(("/usr/bin/python3 " + ImagingScript().string() + " make " + folder_->string() +
                          " >/dev/null 2>&1").c_str()) == 0;
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }
  void SetUp() override {
    ResourceCallbacksTest::SetUp();
    if (!ready_) GTEST_SKIP() << "no python3 with PIL and numpy, or no tiffcp: fixtures not made";
  }
  static const fs::path& Folder() { return *folder_; }
  std::string AddImage(const std::string& file) {
    const std::string uri = "/Resources/Images/" + file;
    Add<ImagePart>(uri, OnBytes(ReadFile(Folder() / file)));
    return uri;
  }

 private:
  static inline fs::path* folder_ = nullptr;
  static inline bool ready_ = false;
};

TEST_F(ResourceCallbacksImageTest, EveryKindOfImageBecomesTheIndependentDecodersPixels) {
  std::ifstream manifest(Folder() / "manifest.txt");
  int count = 0;
  for (std::string name; std::getline(manifest, name); ++count) {
    SCOPED_TRACE(name);
    const Bytes ref = ReadFile(Folder() / (name + ".ref"));
    const auto newline = std::find(ref.begin(), ref.end(), BYTE{'\n'});
    std::istringstream line(std::string(ref.begin(), newline));
    unsigned width = 0, height = 0, channels = 0, profileLength = 0;
    double dpiX = 0, dpiY = 0;
    int tolerance = 0;
    line >> width >> height >> channels >> dpiX >> dpiY >> profileLength;
    if (!(line >> tolerance)) tolerance = 0;

    const Bytes block = Image(AddImage(name).c_str());
    ASSERT_FALSE(block.empty());
    const ImageBlockHeader header = HeaderOf(block);
    EXPECT_EQ(ImageBlockLe16(header.width), width);
    EXPECT_EQ(ImageBlockLe16(header.height), height);
    EXPECT_EQ(header.bytesPerPixel, channels);
    const double blockDpiX = ImageBlockLe16(header.dpiX) + ImageBlockLe16(header.dpiXFraction) / 65536.0;
    EXPECT_NEAR(blockDpiX, dpiX > 0 && dpiY > 0 ? dpiX : 96.0, 0.01);
    const std::size_t pixelBytes = std::size_t{width} * height * channels;
    ASSERT_EQ(block.size(), 512 + pixelBytes + profileLength);
    EXPECT_EQ(ImageBlockBe32(header.profileSize), profileLength);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < pixelBytes; ++i)
      differing += std::abs(block[512 + i] - ref[static_cast<std::size_t>(newline - ref.begin()) + 1 + i]) > tolerance;
    EXPECT_EQ(differing, 0u);
    EXPECT_TRUE(std::equal(block.begin() + static_cast<std::ptrdiff_t>(512 + pixelBytes), block.end(),
                           newline + 1 + static_cast<std::ptrdiff_t>(pixelBytes)));
  }
  EXPECT_GE(count, 30);
  EXPECT_EQ(ConverterMemory::allocations, ConverterMemory::releases);
}

TEST_F(ResourceCallbacksImageTest, HostileImagesAreZeroWithNothingToFree) {
  const Bytes png = ReadFile(Folder() / "rgb.png");
  Add<ImagePart>("/Resources/cut.png", OnBytes(Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2))));
  Bytes corrupt = png;
  for (std::size_t i = 40; i < corrupt.size(); i += 5) corrupt[i] ^= 0x5A;
  Add<ImagePart>("/Resources/corrupt.png", OnBytes(corrupt));
  Add<ImagePart>("/Resources/text.png", OnBytes(Bytes(200, 'x')));
  Add<FontPart>("/Resources/font.png", OnBytes(png));
  const std::vector<std::string> uris = {
      "/Resources/cut.png", "/Resources/corrupt.png", "/Resources/text.png",
      "/Resources/font.png",  // a part of another kind
      "/Resources/none.png",  // no such part
      AddImage("hostile_huge.png"), AddImage("hostile_no_palette.png"), AddImage("hostile_empty_palette.png"),
      AddImage("hostile_short_rows.png"), AddImage("interleaved_alpha.jxr"),
  };
  for (const std::string& uri : uris) {
    SCOPED_TRACE(uri);
    ConverterMemory::Reset();
    INT result = -1;
    EXPECT_TRUE(Image(uri.c_str(), &result).empty());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ConverterMemory::allocations, 0);
    EXPECT_EQ(ConverterMemory::releases + ConverterMemory::nullReleases, 0);
  }
  // The converter's memory running out.
  ConverterMemory::Reset();
  ConverterMemory::refuse = true;
  INT result = -1;
  EXPECT_TRUE(Image(AddImage("rgb.png").c_str(), &result).empty());
  EXPECT_EQ(result, 0);
}

TEST_F(ResourceCallbacksImageTest, AnImageStillArrivingIsDecodedOnceItIsWhole) {
  const Bytes png = ReadFile(Folder() / "rgb.png");
  Bytes arriving;
  {
    const ArrivingPart part(png);
    Add<ImagePart>("/Resources/arriving.png", part.Reader());
    arriving = Image("/Resources/arriving.png");
  }
  EXPECT_FALSE(arriving.empty());
  EXPECT_TRUE(arriving == Image(AddImage("rgb.png").c_str()));
}

}  // namespace
