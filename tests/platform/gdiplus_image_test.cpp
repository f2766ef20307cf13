// GDI+ images: bitmaps written here byte by byte and GIF, JPEG, TIFF and PNG
// files written by Python's imaging library are loaded, saved as PNG and
// decoded again by the imaging layer, whose pixels must be the file's; hostile
// paths and files are refused with the right status, never waited on.
#include "platform/gdiplus_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/imaging.h"
#include "platform/last_error.h"
#include "platform/pixel_conversion.h"
#include "platform/stream.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;
using Rgba = std::array<BYTE, 4>;

constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255},
    kBlack{0, 0, 0, 255};

struct ImageDeleter {
  void operator()(GpImage* image) const { GdipDisposeImage(image); }
};
using ImagePtr = std::unique_ptr<GpImage, ImageDeleter>;

class GdiplusImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/gdiplus_image_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  static GpStatus Load(const fs::path& path, ImagePtr* image) {
    const std::string narrow = path.string();
    const std::u16string wide(narrow.begin(), narrow.end());
    GpImage* loaded = nullptr;
    const GpStatus status = GdipLoadImageFromFile(wide.c_str(), &loaded);
    image->reset(loaded);
    return status;
  }

  fs::path dir_;
};

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<BYTE>(value));
  out.push_back(static_cast<BYTE>(value >> 8));
}
void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A bitmap with the given header length and layout; pixels top row first.
struct BmpLayout {
  const char* name;
  std::uint32_t bits;
  bool topDown;
  std::uint32_t compression;  // 0 plain, 3 bit fields, 6 with alpha
  std::array<std::uint32_t, 4> masks;  // red, green, blue, alpha (0: none)
  std::uint32_t headerSize;
  std::int32_t pixelsPerMetre;
};

std::uint32_t Pack(const Rgba& colour, const std::array<std::uint32_t, 4>& masks) {
  std::uint32_t value = 0;
  for (int c = 0; c < 4; ++c) {
    const std::uint32_t mask = masks[static_cast<std::size_t>(c)];
    if (mask == 0) continue;
    const int shift = __builtin_ctz(mask);
    value |= (colour[static_cast<std::size_t>(c)] * (mask >> shift) / 255u) << shift;
  }
  return value;
}

Bytes MakeBmp(const BmpLayout& layout, std::uint32_t width, std::uint32_t height, const std::vector<Rgba>& pixels) {
  std::vector<Rgba> palette;
  if (layout.bits <= 8) {
    for (const Rgba& p : pixels)
      if (std::find(palette.begin(), palette.end(), p) == palette.end()) palette.push_back(p);
  }
  const bool core = layout.headerSize == 12;
  const std::uint32_t stride = (width * layout.bits + 31) / 32 * 4;
  Bytes header;
  Put32(header, layout.headerSize);
  if (core) {
    Put16(header, width);
    Put16(header, height);
    Put16(header, 1);
    Put16(header, layout.bits);
  } else {
    Put32(header, width);
    Put32(header, layout.topDown ? static_cast<std::uint32_t>(-static_cast<std::int32_t>(height)) : height);
    Put16(header, 1);
    Put16(header, layout.bits);
    Put32(header, layout.compression);
    Put32(header, stride * height);
    Put32(header, static_cast<std::uint32_t>(layout.pixelsPerMetre));
    Put32(header, static_cast<std::uint32_t>(layout.pixelsPerMetre));
    Put32(header, static_cast<std::uint32_t>(palette.size()));
    Put32(header, 0);
    if (layout.compression != 0 || layout.headerSize > 40)
      for (std::size_t c = 0; c < (layout.compression == 6 || layout.headerSize > 40 ? 4u : 3u); ++c)
        Put32(header, layout.masks[c]);
    header.resize(std::max<std::size_t>(header.size(), layout.headerSize), 0);
  }
  for (const Rgba& p : palette) {
    header.insert(header.end(), {p[2], p[1], p[0]});
    if (!core) header.push_back(0);
  }
  Bytes bmp = {'B', 'M'};
  Put32(bmp, static_cast<std::uint32_t>(14 + header.size() + stride * height));
  Put32(bmp, 0);
  Put32(bmp, static_cast<std::uint32_t>(14 + header.size()));
  bmp.insert(bmp.end(), header.begin(), header.end());
  for (std::uint32_t row = 0; row < height; ++row) {
    const std::uint32_t y = layout.topDown ? row : height - 1 - row;
    Bytes line(stride, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const Rgba& p = pixels[y * width + x];
      if (layout.bits <= 8) {
        const auto index = static_cast<std::uint32_t>(std::find(palette.begin(), palette.end(), p) - palette.begin());
        const std::uint32_t bit = x * layout.bits;
        line[bit / 8] |= static_cast<BYTE>(index << (8 - layout.bits - bit % 8));
      } else if (layout.bits == 24) {
        line[x * 3] = p[2];
        line[x * 3 + 1] = p[1];
        line[x * 3 + 2] = p[0];
      } else {
        Bytes packed;
        Put32(packed, Pack(p, layout.masks));
        std::copy_n(packed.begin(), layout.bits / 8, line.begin() + x * layout.bits / 8);
      }
    }
    bmp.insert(bmp.end(), line.begin(), line.end());
  }
  return bmp;
}

struct Saved {
  UINT width = 0, height = 0;
  double dpiX = 0, dpiY = 0;
  std::vector<Rgba> pixels;
};

// Saves as PNG and reads that back through the imaging decoders.
void SaveAndDecode(GpImage* image, Saved* saved) {
  UINT count = 0, size = 0;
  ASSERT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  ASSERT_EQ(GdipGetImageEncoders(count, size, codecs), Ok);
  ASSERT_EQ(std::u16string_view(codecs[0].MimeType), u"image/png");
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  ASSERT_EQ(GdipSaveImageToStream(image, stream.Get(), &codecs[0].Clsid, nullptr), Ok);
  ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
  std::unique_ptr<imaging::BitmapDecoder> decoder;
  ASSERT_EQ(imaging::CreateDecoderFromStream(stream.Get(), &decoder), S_OK);
  ASSERT_EQ(decoder->Container(), imaging::ContainerFormat::kPng);
  const imaging::BitmapFrame* frame = nullptr;
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
  saved->width = frame->Width();
  saved->height = frame->Height();
  // The resolution as the library reads its own PNG back.
  ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
  GpBitmap* again = nullptr;
  ASSERT_EQ(GdipCreateBitmapFromStream(stream.Get(), &again), Ok);
  const ImagePtr readBack(again);
  REAL dpiX = 0, dpiY = 0;
  GdipGetImageHorizontalResolution(again, &dpiX);
  GdipGetImageVerticalResolution(again, &dpiY);
  saved->dpiX = dpiX;
  saved->dpiY = dpiY;
  imaging::RowConverter converter(frame->Format(), frame->Palette());
  const auto layout = converter.Layout();
  std::vector<BYTE> row(std::size_t{frame->Width()} * layout.BytesPerPixel());
  for (UINT y = 0; y < frame->Height(); ++y) {
    converter.Convert(frame->Row(y), frame->Width(), row);
    for (UINT x = 0; x < frame->Width(); ++x) {
      const BYTE* p = row.data() + std::size_t{x} * layout.BytesPerPixel();
      const bool grey = layout.model == imaging::ColorModel::kGray;
      Rgba out{p[0], grey ? p[0] : p[1], grey ? p[0] : p[2], 255};
      if (layout.alpha) out[3] = p[layout.colorChannels];
      saved->pixels.push_back(out);
    }
  }
}

TEST_F(GdiplusImageTest, BitmapsOfEveryLayoutKeepTheirPixels) {
  const std::vector<Rgba> colours = {kRed, kGreen, kBlue, kWhite, kBlack, kRed};  // 3 x 2
  const std::vector<Rgba> twoColours = {kBlack, kWhite, kWhite, kWhite, kBlack, kBlack};
  constexpr std::array<std::uint32_t, 4> kNone{};
  constexpr std::array<std::uint32_t, 4> k555{0x7C00, 0x03E0, 0x001F, 0};
  constexpr std::array<std::uint32_t, 4> k565{0xF800, 0x07E0, 0x001F, 0};
  constexpr std::array<std::uint32_t, 4> kBgrx{0xFF0000, 0xFF00, 0xFF, 0};
  constexpr std::array<std::uint32_t, 4> kArgb{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  const BmpLayout layouts[] = {
      {"24 bits bottom-up", 24, false, 0, kNone, 40, 0},
      {"24 bits top-down", 24, true, 0, kNone, 40, 0},
      {"8 bits palette", 8, false, 0, kNone, 40, 11811},
      {"4 bits palette", 4, true, 0, kNone, 40, 0},
      {"1 bit palette", 1, false, 0, kNone, 40, 0},
      {"core header 8 bits", 8, false, 0, kNone, 12, 0},
      {"16 bits 555", 16, false, 0, k555, 40, 0},
      {"16 bits 565 fields", 16, false, 3, k565, 40, 0},
      {"32 bits plain", 32, false, 0, kBgrx, 40, 0},
      {"32 bits fields v5 alpha", 32, true, 3, kArgb, 124, 3780},
      {"32 bits alpha fields", 32, false, 6, kArgb, 40, 0},
  };
  for (const BmpLayout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    std::vector<Rgba> pixels = layout.bits == 1 ? twoColours : colours;
    if (layout.masks[3]) pixels[1][3] = 0x80;
    const fs::path path = Write("image.bmp", MakeBmp(layout, 3, 2, pixels));
    ImagePtr image;
    ASSERT_EQ(Load(path, &image), Ok);
    UINT width = 0, height = 0;
    REAL dpiX = 0, dpiY = 0;
    GdipGetImageWidth(image.get(), &width);
    GdipGetImageHeight(image.get(), &height);
    GdipGetImageHorizontalResolution(image.get(), &dpiX);
    GdipGetImageVerticalResolution(image.get(), &dpiY);
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);
    // Whole numbers of dots per inch, stored as rounded pixels per metre.
    const double dpi = layout.pixelsPerMetre ? std::round(layout.pixelsPerMetre * 0.0254) : 96.0;
    EXPECT_NEAR(dpiX, dpi, 0.01);
    EXPECT_NEAR(dpiY, dpi, 0.01);
    Saved saved;
    SaveAndDecode(image.get(), &saved);
    EXPECT_EQ(saved.pixels, pixels);
    // pHYs carries the resolution to whoever reads the PNG.
    EXPECT_NEAR(saved.dpiX, dpi, 0.01);
  }
}

bool RunPython(const std::string& script) {
  return std::system(("/usr/bin/python3 -c '" + script + "' >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(GdiplusImageTest, GifJpegTiffAndPngThroughTheirDecoders) {
  struct Case {
    const char* name;
    const char* save;  // the PIL save call's arguments after the path
    double dpi;
    int tolerance;
  };
  const Case cases[] = {
      {"image.gif", "", 96, 0},
      {"image.jpg", ", dpi=(200, 200), quality=95", 200, 12},
      {"cmyk.jpg", ", dpi=(150, 150), quality=95", 150, 16},
      {"image.tif", ", dpi=(150, 150)", 150, 0},
      {"image.png", "", 96, 0},
      {"grey.jpg", ", dpi=(300, 300), quality=95", 300, 12},
      {"grey.png", "", 96, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir_ / c.name;
    const std::string name = c.name;
    const std::string mode = name.starts_with("cmyk") ? "CMYK" : name.starts_with("grey") ? "L" : "RGB";
    // What the file holds of a colour: grey files its luma, as PIL computes it.
    const auto held = [&mode](const Rgba& colour) {
      if (mode != "L") return colour;
      const auto luma = static_cast<BYTE>((colour[0] * 299 + colour[1] * 587 + colour[2] * 114 + 500) / 1000);
      return Rgba{luma, luma, luma, colour[3]};
    };
    // Quadrants red, green / blue, white on 16 x 16 pixels.
    ASSERT_TRUE(RunPython("from PIL import Image\n"
                          "i = Image.new(\"RGB\", (16, 16), (255, 255, 255))\n"
                          "i.paste((255, 0, 0), (0, 0, 8, 8)); i.paste((0, 255, 0), (8, 0, 16, 8))\n"
                          "i.paste((0, 0, 255), (0, 8, 8, 16))\n"
                          "i.convert(\"" + mode + "\").save(\"" + path.string() + "\"" + c.save + ")\n"));
    ImagePtr image;
    ASSERT_EQ(Load(path, &image), Ok);
    REAL dpi = 0;
    GdipGetImageHorizontalResolution(image.get(), &dpi);
    EXPECT_NEAR(dpi, c.dpi, 0.01);
    Saved saved;
    SaveAndDecode(image.get(), &saved);
    ASSERT_EQ(saved.width, 16u);
    ASSERT_EQ(saved.height, 16u);
    const std::pair<UINT, Rgba> probes[] = {{2 * 16 + 2, kRed}, {2 * 16 + 13, kGreen}, {13 * 16 + 2, kBlue},
                                            {13 * 16 + 13, kWhite}};
    for (const auto& [at, colour] : probes)
      for (std::size_t s = 0; s < 4; ++s)
        EXPECT_NEAR(saved.pixels[at][s], held(colour)[s], c.tolerance) << "pixel " << at << " sample " << s;
  }
}

TEST_F(GdiplusImageTest, HostilePathsAndFilesAreRefused) {
  const fs::path fifo = dir_ / "fifo.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const BmpLayout plain{"", 24, false, 0, {}, 40, 0};
  Bytes huge = MakeBmp(plain, 1, 1, {kRed});
  huge[18] = 0xA0, huge[19] = 0x86, huge[20] = 0x01;  // 100,000 wide
  huge[22] = 0xA0, huge[23] = 0x86, huge[24] = 0x01;  // 100,000 high
  Bytes cut = MakeBmp(plain, 64, 64, std::vector<Rgba>(64 * 64, kBlue));
  cut.resize(cut.size() / 2);
  Bytes negativeWidth = MakeBmp(plain, 2, 2, std::vector<Rgba>(4, kRed));
  negativeWidth[21] = 0xFF;
  Bytes lowestHeight = MakeBmp(plain, 2, 2, std::vector<Rgba>(4, kRed));
  lowestHeight[22] = 0, lowestHeight[23] = 0, lowestHeight[24] = 0, lowestHeight[25] = 0x80;
  ASSERT_TRUE(RunPython("from PIL import Image\nImage.new(\"RGB\", (300, 300)).save(\"" + (dir_ / "whole.png").string() +
                        "\")\n"));
  std::ifstream in(dir_ / "whole.png", std::ios::binary);
  Bytes png(std::istreambuf_iterator<char>(in), {});
  png.resize(png.size() * 2 / 3);
  Bytes hugePng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                   0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0};

  struct Case {
    const char* name;
    fs::path path;
    GpStatus status;
  };
  const Case cases[] = {
      {"missing file", dir_ / "missing.bmp", FileNotFound},
      {"missing folder", dir_ / "none" / "x.bmp", FileNotFound},
      {"directory", dir_, AccessDenied},
      {"fifo", fifo, AccessDenied},
      {"device", "/dev/zero", AccessDenied},
      {"100000 x 100000 bitmap", Write("huge.bmp", huge), OutOfMemory},
      {"100000 x 100000 png", Write("huge.png", hugePng), OutOfMemory},
      {"cut bitmap", Write("cut.bmp", cut), UnknownImageFormat},
      {"cut png", Write("cut.png", png), UnknownImageFormat},
      {"negative width", Write("negative.bmp", negativeWidth), UnknownImageFormat},
      {"lowest height", Write("lowest.bmp", lowestHeight), OutOfMemory},
      {"text", Write("text.bmp", {'h', 'e', 'l', 'l', 'o'}), UnknownImageFormat},
      {"empty", Write("empty.gif", {}), UnknownImageFormat},
      {"cut gif header", Write("cut.gif", {'G', 'I', 'F', '8', '9', 'a', 1}), UnknownImageFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImagePtr image;
    EXPECT_EQ(Load(c.path, &image), c.status);
    EXPECT_EQ(image, nullptr);
  }
}

TEST(GdiplusStatus, MapsToResults) {
  SetLastError(ERROR_INVALID_DATA);
  const std::pair<GpStatus, HRESULT> cases[] = {
      {Ok, S_OK},
      {InvalidParameter, E_INVALIDARG},
      {OutOfMemory, E_OUTOFMEMORY},
      {InsufficientBuffer, E_OUTOFMEMORY},
      {ObjectBusy, E_PENDING},
      {NotImplemented, E_NOTIMPL},
      {Win32Error, HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
      {FileNotFound, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {AccessDenied, E_ACCESSDENIED},
      {UnknownImageFormat, E_FAIL},
      {GenericError, E_FAIL},
  };
  for (const auto& [status, result] : cases) {
    SCOPED_TRACE(status);
    EXPECT_EQ(HresultFromGdiplusStatus(status), result);
  }
  // A Win32 failure that left no error code is still a failure.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(HresultFromGdiplusStatus(Win32Error), E_FAIL);
}

// A stream that takes a few bytes and then no more.
class ShortStream final : public ComObject<IStream> {
 public:
  HRESULT Read(void*, ULONG, ULONG* read) override { return *read = 0, S_OK; }
  HRESULT Write(const void*, ULONG cb, ULONG* written) override {
    *written = taken_ ? 0 : std::min<ULONG>(cb, 100);
    taken_ = true;
    return S_OK;
  }
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
  bool taken_ = false;
};

TEST_F(GdiplusImageTest, AStreamThatStopsShortFailsTheSave) {
  const BmpLayout plain{"", 24, false, 0, {}, 40, 0};
  ImagePtr image;
  ASSERT_EQ(Load(Write("image.bmp", MakeBmp(plain, 40, 40, std::vector<Rgba>(1600, kGreen))), &image), Ok);
  UINT count = 0, size = 0;
  GdipGetImageEncodersSize(&count, &size);
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  ASSERT_EQ(GdipGetImageEncoders(count, size, codecs), Ok);
  const ComPtr<IStream> stream = MakeComObject<ShortStream, IStream>();
  EXPECT_EQ(GdipSaveImageToStream(image.get(), stream.Get(), &codecs[0].Clsid, nullptr), Win32Error);
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
}

}  // namespace
