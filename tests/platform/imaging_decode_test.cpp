// Decodes generated images and the corpus's images through the imaging layer
// and compares the 8-bit pixels with what Python's imaging library decodes
// (imaging_reference.py beside this file), or with the samples written.
#include "platform/com_object.h"
#include "platform/imaging.h"
#include "platform/pixel_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using imaging::PixelFormat;
using Bytes = std::vector<BYTE>;

// The compiler names this file relative to the build folder of the tests, where the program lies.
fs::path Script() {
  const fs::path source = __FILE__;
  const fs::path base = source.is_absolute() ? fs::path() : fs::read_symlink("/proc/self/exe").parent_path();
  return (base / source).parent_path() / "imaging_reference.py";
}
const fs::path kScript = Script();
constexpr const char* kPython = "/usr/bin/python3";

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool RunQuietly(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

struct Reference {
  UINT width = 0, height = 0, channels = 0;
  double dpiX = 0, dpiY = 0;
  int tolerance = 0;  // per sample
  Bytes pixels, profile;
};

Reference ReadReference(const fs::path& image) {
  const Bytes bytes = ReadFile(image.string() + ".ref");
  const auto newline = std::find(bytes.begin(), bytes.end(), BYTE{'\n'});
  std::istringstream header(std::string(bytes.begin(), newline));
  Reference ref;
  std::size_t profileLength = 0;
  header >> ref.width >> ref.height >> ref.channels >> ref.dpiX >> ref.dpiY >> profileLength;
  if (!(header >> ref.tolerance)) ref.tolerance = 0;
  const auto pixels = newline + 1;
  const auto pixelBytes = static_cast<std::ptrdiff_t>(std::size_t{ref.width} * ref.height * ref.channels);
  if (bytes.end() - pixels < pixelBytes + static_cast<std::ptrdiff_t>(profileLength)) return {};
  ref.pixels.assign(pixels, pixels + pixelBytes);
  ref.profile.assign(pixels + pixelBytes, pixels + pixelBytes + static_cast<std::ptrdiff_t>(profileLength));
  return ref;
}

// The whole image through a stream, then every row converted to 8 bits.
struct Decoded {
  HRESULT hr = E_FAIL;
  std::unique_ptr<imaging::BitmapDecoder> decoder;
  const imaging::BitmapFrame* frame = nullptr;
  imaging::EightBitLayout layout{};
  Bytes pixels;
};

Decoded Decode(const Bytes& data) {
  Decoded out;
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(data.data(), static_cast<ULONG>(data.size()), &written), S_OK);
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  out.hr = imaging::CreateDecoderFromStream(stream.Get(), &out.decoder);
  if (FAILED(out.hr)) return out;
  EXPECT_EQ(out.decoder->GetFrame(0, &out.frame), S_OK);
  imaging::RowConverter converter(out.frame->Format(), out.frame->Palette());
  out.layout = converter.Layout();
  const std::size_t rowBytes = std::size_t{out.frame->Width()} * out.layout.BytesPerPixel();
  out.pixels.resize(rowBytes * out.frame->Height());
  Bytes row(out.frame->Stride());
  for (UINT y = 0; y < out.frame->Height(); ++y) {
    EXPECT_EQ(out.frame->CopyPixels(y, 1, row), S_OK);
    converter.Convert(row, out.frame->Width(), std::span(out.pixels).subspan(rowBytes * y, rowBytes));
  }
  return out;
}

void ExpectMatchesReference(const fs::path& image) {
  const Reference ref = ReadReference(image);
  ASSERT_GT(ref.width, 0u) << "no reference for " << image;
  const Decoded got = Decode(ReadFile(image));
  ASSERT_EQ(got.hr, S_OK);
  EXPECT_EQ(got.frame->Width(), ref.width);
  EXPECT_EQ(got.frame->Height(), ref.height);
  EXPECT_NEAR(got.frame->DpiX(), ref.dpiX, 0.01);
  EXPECT_NEAR(got.frame->DpiY(), ref.dpiY, 0.01);
  ASSERT_EQ(got.layout.BytesPerPixel(), ref.channels) << imaging::Name(got.frame->Format());
  if (ref.profile.empty()) {
    EXPECT_EQ(got.frame->ColorContextCount(), 0u);
  } else {
    ASSERT_EQ(got.frame->ColorContextCount(), 1u);
    const auto profile = got.frame->ColorContext(0);
    EXPECT_EQ(Bytes(profile.begin(), profile.end()), ref.profile);
  }
  std::size_t differing = 0;
  for (std::size_t i = 0; i < ref.pixels.size(); ++i) differing += std::abs(got.pixels[i] - ref.pixels[i]) > ref.tolerance;
  EXPECT_EQ(differing, 0u) << "of " << ref.pixels.size() << " samples, format " << imaging::Name(got.frame->Format());
}

class ImagingDecodeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(fs::temp_directory_path() / ("kestrel_imaging_" + std::to_string(getpid())));
    fs::create_directories(*folder_);
    ready_ = RunQuietly(std::string(kPython) + " " + kScript.string() + " make " + folder_->string());
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "no python3 with PIL and numpy, or no tiffcp: fixtures not made";
  }
  static const fs::path& Folder() { return *folder_; }

 private:
  static inline fs::path* folder_ = nullptr;
  static inline bool ready_ = false;
};

TEST_F(ImagingDecodeTest, GeneratedImagesDecodeToTheIndependentDecodersPixels) {
  std::ifstream manifest(Folder() / "manifest.txt");
  std::string name;
  int count = 0;
  while (std::getline(manifest, name)) {
    SCOPED_TRACE(name);
    ExpectMatchesReference(Folder() / name);
    ++count;
  }
  EXPECT_GE(count, 30);
}

TEST_F(ImagingDecodeTest, NativeFormatsAreThoseOfTheFile) {
  const std::vector<std::pair<std::string, PixelFormat>> cases = {
      {"grey1.png", PixelFormat::kBlackWhite},     {"grey2.png", PixelFormat::k2bppGray},
      {"grey16.png", PixelFormat::k16bppGray},     {"palette4.png", PixelFormat::k4bppIndexed},
      {"rgb16.png", PixelFormat::k48bppRGB},       {"rgba.png", PixelFormat::k32bppBGRA},
      {"cmyk.jpg", PixelFormat::k32bppCMYK},       {"grey.jpg", PixelFormat::k8bppGray},
      {"palette.tif", PixelFormat::k8bppIndexed},  {"rgba16.tif", PixelFormat::k64bppRGBA},
      {"cmyk16.tif", PixelFormat::k64bppCMYK},     {"cmyk_alpha.tif", PixelFormat::k40bppCMYKAlpha},
      {"cmyk_alpha16.tif", PixelFormat::k80bppCMYKAlpha}, {"grey_float.tif", PixelFormat::k32bppGrayFloat},
      {"rgba_float.tif", PixelFormat::k128bppRGBAFloat},  {"rgb_half.tif", PixelFormat::k48bppRGBHalf},
      {"channels5.tif", PixelFormat::k40bpp5Channels},    {"rgb_two_extra.tif", PixelFormat::k40bpp5Channels},
      {"channels4_alpha16.tif", PixelFormat::k80bpp4ChannelsAlpha},
      {"grey16.jxr", PixelFormat::k16bppGray},     {"rgb_half.jxr", PixelFormat::k48bppRGBHalf},
      {"grey_half.jxr", PixelFormat::k16bppGrayHalf}, {"cmyk_alpha8.jxr", PixelFormat::k40bppCMYKAlpha},
      {"rgb_float.jxr", PixelFormat::k128bppRGBFloat},
  };
  for (const auto& [name, format] : cases) {
    SCOPED_TRACE(name);
    const Decoded got = Decode(ReadFile(Folder() / name));
    ASSERT_EQ(got.hr, S_OK);
    EXPECT_EQ(imaging::Name(got.frame->Format()), imaging::Name(format));
  }
}

// Every prefix of an image is data still arriving, never a crash; garbage fails at once.
TEST_F(ImagingDecodeTest, CutAndCorruptImagesFailClearly) {
  for (const char* name :
       {"rgb.png", "rgb.jpg", "progressive.jpg", "rgb_deflate.tif", "palette.tif", "tiled.tif", "rgb16.jxr"}) {
    SCOPED_TRACE(name);
    const Bytes whole = ReadFile(Folder() / name);
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{40}, whole.size() / 2}) {
      SCOPED_TRACE(cut);
      const Decoded got = Decode(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
      EXPECT_EQ(got.hr, imaging::IMAGING_E_TRUNCATED);
      EXPECT_FALSE(got.decoder);
    }
    // Damaged bytes throughout: a failure or, where the codec tolerates damaged
    // data (JPEG), some pixels; the sanitizers judge the rest.
    Bytes corrupt = whole;
    for (std::size_t i = 16; i < corrupt.size(); i += 7) corrupt[i] = static_cast<BYTE>(corrupt[i] ^ 0x5A);
    (void)Decode(corrupt);
  }
  EXPECT_EQ(Decode(Bytes(100, 'x')).hr, imaging::IMAGING_E_BADIMAGE);
}

TEST_F(ImagingDecodeTest, LyingHeadersAreRefusedBeforeAnyPixelMemory) {
  const std::vector<std::pair<std::string, HRESULT>> cases = {
      // 65,536 x 65,536 RGBA is 16 GiB: refused from the header alone.
      {"hostile_huge.png", imaging::IMAGING_E_TOOLARGE},
      {"hostile_no_palette.png", imaging::IMAGING_E_BADIMAGE},
      {"hostile_empty_palette.png", imaging::IMAGING_E_BADIMAGE},
      // The image ends within its data although the file is whole: no waiting for rows that never come.
      {"hostile_short_rows.png", imaging::IMAGING_E_BADIMAGE},
      // Decoding it would leak inside jxrlib, or drop its alpha.
      {"interleaved_alpha.jxr", imaging::IMAGING_E_UNSUPPORTED},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Decode(ReadFile(Folder() / name)).hr, expected);
  }

  // A TIFF claiming 65,536 x 65,536 in a strip of a few bytes.
  Bytes tiff = ReadFile(Folder() / "miniswhite.tif");
  for (std::size_t entry : {0, 1}) {  // width and height, the directory's first entries
    const std::size_t value = 10 + 12 * entry + 8;
    tiff[value] = 0x00;
    tiff[value + 1] = 0x00;
    tiff[value + 2] = 0x01;
    tiff[value + 3] = 0x00;
  }
  EXPECT_EQ(Decode(tiff).hr, imaging::IMAGING_E_TOOLARGE);
}

TEST_F(ImagingDecodeTest, CorpusImagesDecodeToTheIndependentDecodersPixels) {
  const fs::path corpus = KESTREL_CORPUS_DIR;
  const std::vector<std::pair<std::string, std::string>> images = {
      {"xps/mb01.xps", "Resources/QL_logo_color.tif"},
      {"xps/mb08.xps", "Resources/a75ff97a-5662-4d9c-9bdd-8e2c2b826e05.png"},
      {"oxps/mb08.oxps", "Resources/a75ff97a-5662-4d9c-9bdd-8e2c2b826e05.png"},
  };
  if (!fs::exists(corpus / images[0].first)) GTEST_SKIP() << "no corpus at " << corpus;
  for (const auto& [package, part] : images) {
    SCOPED_TRACE(package + " " + part);
    const fs::path image = Folder() / fs::path(part).filename();
    ASSERT_TRUE(RunQuietly("unzip -p '" + (corpus / package).string() + "' '" + part + "' > '" + image.string() + "'"));
    ASSERT_TRUE(RunQuietly(std::string(kPython) + " " + kScript.string() + " ref '" + image.string() + "'"));
    ExpectMatchesReference(image);
  }
}

// Hands out a few bytes a call, as a part still being written does; then fails when told.
class DribblingStream final : public ComObject<IStream> {
 public:
  DribblingStream(Bytes data, HRESULT failAtEnd) : data_(std::move(data)), failAtEnd_(failAtEnd) {}
  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    const std::size_t n = std::min<std::size_t>({cb, 7, data_.size() - position_});
    if (n == 0 && FAILED(failAtEnd_)) return failAtEnd_;
    std::memcpy(pv, data_.data() + position_, n);
    position_ += n;
    *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

 private:
  Bytes data_;
  std::size_t position_ = 0;
  HRESULT failAtEnd_;
};

TEST_F(ImagingDecodeTest, AStreamIsReadToItsEndInPiecesAndItsFailureIsPassedOn) {
  const Bytes png = ReadFile(Folder() / "rgb.png");
  ComPtr<IStream> dribbling = MakeComObject<DribblingStream, IStream>(png, S_OK);
  std::unique_ptr<imaging::BitmapDecoder> decoder;
  ASSERT_EQ(imaging::CreateDecoderFromStream(dribbling.Get(), &decoder), S_OK);
  EXPECT_EQ(decoder->Container(), imaging::ContainerFormat::kPng);

  ComPtr<IStream> failing = MakeComObject<DribblingStream, IStream>(png, STG_E_ACCESSDENIED);
  EXPECT_EQ(imaging::CreateDecoderFromStream(failing.Get(), &decoder), STG_E_ACCESSDENIED);
  EXPECT_FALSE(decoder);
  EXPECT_EQ(imaging::CreateDecoderFromStream(nullptr, &decoder), E_POINTER);
}

TEST(ImagingFrameTest, CopyPixelsChecksItsRowsAndBuffer) {
  std::unique_ptr<imaging::BitmapFrame> frame;
  ASSERT_EQ(imaging::BitmapFrame::Make(3, 2, PixelFormat::k24bppRGB, &frame), S_OK);
  EXPECT_EQ(frame->Stride(), 9u);
  Bytes out(18);
  EXPECT_EQ(frame->CopyPixels(0, 2, out), S_OK);
  EXPECT_EQ(frame->CopyPixels(1, 2, out), E_INVALIDARG);
  EXPECT_EQ(frame->CopyPixels(0xFFFFFFFFu, 2, out), E_INVALIDARG);
  EXPECT_EQ(frame->CopyPixels(0, 2, std::span(out).first(17)), E_INVALIDARG);
  EXPECT_EQ(imaging::BitmapFrame::Make(0, 2, PixelFormat::k8bppGray, &frame), imaging::IMAGING_E_BADIMAGE);
  EXPECT_EQ(imaging::BitmapFrame::Make(65536, 65536, PixelFormat::k8bppGray, &frame), imaging::IMAGING_E_TOOLARGE);
  EXPECT_EQ(imaging::BitmapFrame::Make(0xFFFFFFFFu, 1, PixelFormat::k144bpp8ChannelsAlpha, &frame),
            imaging::IMAGING_E_TOOLARGE);
  const imaging::BitmapFrame* none = nullptr;
  EXPECT_EQ(imaging::BitmapDecoder(imaging::ContainerFormat::kPng, nullptr).GetFrame(1, &none), E_INVALIDARG);
}

}  // namespace
