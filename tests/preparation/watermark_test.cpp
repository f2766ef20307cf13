// Text and bitmap watermarks: the markup they build for a page (glyph runs,
// transparency, transform, outline and its copy under the content; the
// image's path and brush), the PNG part made from the bitmap, and the files
// and streams that must not become a part.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "filters/preparation/bitmap_watermark.h"
#include "filters/preparation/image_resource.h"
#include "filters/preparation/text_watermark.h"
#include "platform/imaging.h"
#include "preparation_pipeline.h"
#include "recording_write_stream.h"

namespace {

namespace fs = std::filesystem;
using namespace preparation_test;

// Makes the font and image parts the watermarks ask for.
class PartsConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  HRESULT SendXpsUnknown(IUnknown*) override { return E_NOTIMPL; }
  HRESULT SendXpsDocument(IXpsDocument*) override { return E_NOTIMPL; }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence*) override { return E_NOTIMPL; }
  HRESULT SendFixedDocument(IFixedDocument*) override { return E_NOTIMPL; }
  HRESULT SendFixedPage(IFixedPage*) override { return E_NOTIMPL; }
  HRESULT CloseSender() override { return S_OK; }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override {
    const auto made = MakeComObject<ResourcePart>(U8(uri));
    parts.push_back(made);
    *stream = ComPtr<IPrintWriteStream>(made->content.Get()).Detach();
    if (riid == IID_IPartFont) return static_cast<IPartFont*>(made.Get())->QueryInterface(riid, part);
    return static_cast<IPartImage*>(made.Get())->QueryInterface(riid, part);
  }

  class ResourcePart final : public ComObject<IPartFont, IPartImage> {
   public:
    explicit ResourcePart(std::string uri) : uri(std::move(uri)) {}
    HRESULT GetUri(BSTR* out) override { return *out = Bstr(U16(uri)).Detach(), S_OK; }
    HRESULT GetStream(IPrintReadStream**) override { return E_NOTIMPL; }
    HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
    HRESULT SetPartCompression(EXpsCompression) override { return S_OK; }
    HRESULT GetFontProperties(BSTR*, EXpsFontOptions*) override { return E_NOTIMPL; }
    HRESULT SetFontContent(BSTR) override { return S_OK; }
    HRESULT SetFontOptions(EXpsFontOptions) override { return S_OK; }
    HRESULT GetImageProperties(BSTR*) override { return E_NOTIMPL; }
    HRESULT SetImageContent(BSTR type) override { return contentType = U8(std::u16string_view(type)), S_OK; }
    std::string uri;
    std::string contentType;
    ComPtr<RecordingWriteStream> content = MakeComObject<RecordingWriteStream>();
  };
  std::vector<ComPtr<ResourcePart>> parts;
};

using Attributes = std::map<std::string, std::string>;

// The attributes of every element of that name, in document order.
std::vector<Attributes> Elements(const std::string& markup, const std::string& name) {
  std::vector<Attributes> found;
  const std::regex element("<" + name + R"(((\s+[\w.]+="[^"]*")*)\s*/?>)");
  const std::regex attribute(R"re(([\w.]+)="([^"]*)")re");
  for (std::sregex_iterator e(markup.begin(), markup.end(), element), end; e != end; ++e) {
    Attributes attributes;
    const std::string text = (*e)[1];
    for (std::sregex_iterator a(text.begin(), text.end(), attribute); a != end; ++a) attributes[(*a)[1]] = (*a)[2];
    found.push_back(attributes);
  }
  return found;
}

std::vector<double> Numbers(const std::string& text) {
  std::vector<double> numbers;
  const std::regex number(R"(-?\d+(\.\d+)?)");
  for (std::sregex_iterator n(text.begin(), text.end(), number), end; n != end; ++n)
    numbers.push_back(std::stod(n->str()));
  return numbers;
}

class WatermarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/watermark_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Attaches the watermark's part to a page and builds its markup for a Letter page.
  HRESULT Build(PageDecoration& watermark, std::string* over, std::string* under = nullptr) {
    const auto page = MakeComObject<RewritablePage>("/p1", ContentOf(PageMarkup(1)));
    HRESULT hr = watermark.PrepareResources(consumer_.Get(), page.Get(), &cache_);
    if (FAILED(hr)) return hr;
    hr = watermark.BuildMarkup(816, 1056, PageBox{});
    if (FAILED(hr)) return hr;
    std::u16string markup;
    hr = watermark.GetMarkup(false, &markup);
    *over = U8(markup);
    if (under) {
      watermark.GetMarkup(true, &markup);
      *under = U8(markup);
    }
    return hr;
  }

  // A 24-bit bitmap of one colour at the given pixels per metre.
  fs::path WriteBmp(const std::string& name, int width, int height, int pixelsPerMetre) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<BYTE> bmp(54 + static_cast<std::size_t>(stride * height), 0x80);
    const auto put = [&](std::size_t at, std::uint32_t value) {
      for (int i = 0; i < 4; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<BYTE>(value >> (8 * i));
    };
    bmp[0] = 'B', bmp[1] = 'M';
    put(2, static_cast<std::uint32_t>(bmp.size()));
    put(6, 0);
    put(10, 54);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(width));
    put(22, static_cast<std::uint32_t>(height));
    put(26, 1 | 24 << 16);
    put(30, 0);
    put(34, 0);
    put(38, static_cast<std::uint32_t>(pixelsPerMetre));
    put(42, static_cast<std::uint32_t>(pixelsPerMetre));
    put(46, 0);
    put(50, 0);
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()),
                                                static_cast<std::streamsize>(bmp.size()));
    return path;
  }

  // The settings of a page's watermark: switched on, with the item in force.
  static DecorationSettings On(const WatermarkItem& item, WatermarkOverlay overlay = WatermarkOverlay::Opaque,
                               OffOn outline = OffOn::Off) {
    DecorationSettings settings;
    settings.kind = DecorationKind::Watermark;
    settings.watermark.on = OffOn::On;
    settings.watermark.overlay = overlay;
    settings.watermark.outline = outline;
    settings.watermarkItem = item;
    return settings;
  }
  static WatermarkItem TextItem(const char16_t* text) {
    WatermarkItem item;
    item.text = Bstr(text);
    item.fontName = Bstr(u"DejaVu Sans");
    return item;
  }
  static WatermarkItem BitmapItem(const fs::path& path, WORD scaling = 100) {
    WatermarkItem item;
    item.type = WatermarkType::Bitmap;
    item.fileName = Bstr(U16(path.string()));
    item.scaling = scaling;
    return item;
  }

  fs::path dir_;
  ComPtr<PartsConsumer> consumer_ = MakeComObject<PartsConsumer>();
  PartResourceCache cache_;
};

TEST_F(WatermarkTest, TextRunsOpacityAndTheCopyUnderTheContent) {
  struct Case {
    const char* label;
    WatermarkOverlay overlay;
    OffOn outline;
    std::size_t runs;
    const char* runOpacity;
    const char* canvasOpacity;  // "" for none
    bool under;
  };
  const Case cases[] = {
      {"plain, opaque", WatermarkOverlay::Opaque, OffOn::Off, 1, "1.00", "", false},
      {"plain, transparent", WatermarkOverlay::Transparent, OffOn::Off, 1, "0.50", "", false},
      {"outlined, opaque", WatermarkOverlay::Opaque, OffOn::On, 9, "1.00", "", false},
      {"outlined, transparent", WatermarkOverlay::Transparent, OffOn::On, 9, "1.00", "0.5", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WatermarkItem item = TextItem(u"DRAFT");
    item.fontColor = 0x1FF0000;  // beyond 24 bits: the colour is its low 24
    std::unique_ptr<PageDecoration> watermark;
    ASSERT_EQ(TextWatermark::Create(On(item, c.overlay, c.outline), &watermark), S_OK);
    std::string over, under;
    ASSERT_EQ(Build(*watermark, &over, &under), S_OK);
    const auto runs = Elements(over, "Glyphs");
    ASSERT_EQ(runs.size(), c.runs);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].at("Fill"), i == 8 ? "#ffffff" : "#FF0000");
      EXPECT_EQ(runs[i].at("Opacity"), c.runOpacity);
      EXPECT_EQ(runs[i].at("FontRenderingEmSize"), "96");
      EXPECT_EQ(runs[i].at("UnicodeString"), "DRAFT");
      EXPECT_EQ(runs[i].at("FontUri"), consumer_->parts.front()->uri);
    }
    const auto canvas = Elements(over, "Canvas");
    ASSERT_EQ(canvas.size(), 1u);
    EXPECT_EQ(canvas[0].contains("Opacity") ? canvas[0].at("Opacity") : "", c.canvasOpacity);
    EXPECT_EQ(watermark->DrawsUnderContent(), c.under);
    if (c.under) {
      EXPECT_EQ(Elements(under, "Glyphs").size(), 9u);
      EXPECT_FALSE(Elements(under, "Canvas")[0].contains("Opacity"));
    }
  }
  // One font part for all of them: the face is the key.
  EXPECT_EQ(consumer_->parts.size(), 1u);
}

TEST_F(WatermarkTest, TextIsCentredOnItsPositionAndTurnedByItsAngle) {
  struct Case {
    const char* label;
    LONG x, y;
    WORD angle;
    double cx, cy;
  };
  const Case cases[] = {
      {"centre, 45 degrees", 0, 0, 45, 408, 528},
      {"top-left corner, level", -100, 100, 0, 0, 0},
      {"bottom-right, upright", 100, -100, 90, 816, 1056},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WatermarkItem item = TextItem(u"{x}");
    item.positionX = c.x;
    item.positionY = c.y;
    item.angle = c.angle;
    std::unique_ptr<PageDecoration> watermark;
    ASSERT_EQ(TextWatermark::Create(On(item), &watermark), S_OK);
    std::string over;
    ASSERT_EQ(Build(*watermark, &over), S_OK);
    const auto runs = Elements(over, "Glyphs");
    ASSERT_EQ(runs.size(), 1u);
    // A text starting with a brace gets the escape in front.
    EXPECT_EQ(runs[0].at("UnicodeString"), "{}{x}");
    const std::vector<double> m = Numbers(runs[0].at("RenderTransform"));
    ASSERT_EQ(m.size(), 6u);
    const double a = c.angle * M_PI / 180;
    const double expected[] = {std::cos(a), -std::sin(a), std::sin(a), std::cos(a), c.cx, c.cy};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(m[i], expected[i], 1e-4) << i;
    // Centred: half the width to the left of the origin.
    EXPECT_LT(std::stod(runs[0].at("OriginX")), 0);
  }
}

TEST_F(WatermarkTest, NoTextWatermarkWithoutItsSettingsOrFont) {
  std::unique_ptr<PageDecoration> watermark;
  DecorationSettings off = On(TextItem(u"X"));
  off.watermark.on = OffOn::Off;
  EXPECT_EQ(TextWatermark::Create(off, &watermark), E_INVALIDARG);
  DecorationSettings headerFooter = On(TextItem(u"X"));
  headerFooter.kind = DecorationKind::HeaderFooter;
  EXPECT_EQ(TextWatermark::Create(headerFooter, &watermark), E_INVALIDARG);
  EXPECT_EQ(TextWatermark::Create(On(BitmapItem("/x.bmp")), &watermark), E_INVALIDARG);
  EXPECT_EQ(BitmapWatermark::Create(On(TextItem(u"X")), &watermark), E_INVALIDARG);
  WatermarkItem longName = TextItem(u"X");
  longName.fontName = Bstr(u"A face name of thirty-two characters");
  EXPECT_EQ(TextWatermark::Create(On(longName), &watermark), E_INVALIDARG);
  EXPECT_EQ(watermark, nullptr);
  // Markup before the font part is known.
  ASSERT_EQ(TextWatermark::Create(On(TextItem(u"X")), &watermark), S_OK);
  EXPECT_EQ(watermark->BuildMarkup(816, 1056, PageBox{}), E_PENDING);
}

TEST_F(WatermarkTest, BitmapFillsItsBoxAtItsResolutionAndScaling) {
  struct Case {
    const char* label;
    int pixelsPerMetre;
    WORD scaling;
    LONG x, y;
    double width, height, cx, cy;
  };
  const Case cases[] = {
      {"300 dpi, full size", 11811, 100, 0, 0, 96, 48, 408, 528},
      {"300 dpi, half size", 11811, 50, 0, 0, 48, 24, 408, 528},
      {"no resolution: pixels", 0, 100, -100, 100, 300, 150, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path file = WriteBmp(std::string("logo") + std::to_string(c.pixelsPerMetre) + ".bmp", 300, 150,
                                   c.pixelsPerMetre);
    WatermarkItem item = BitmapItem(file, c.scaling);
    item.positionX = c.x;
    item.positionY = c.y;
    std::unique_ptr<PageDecoration> watermark;
    ASSERT_EQ(BitmapWatermark::Create(On(item, WatermarkOverlay::Transparent), &watermark), S_OK);
    std::string over;
    ASSERT_EQ(Build(*watermark, &over), S_OK);
    const auto brush = Elements(over, "ImageBrush");
    ASSERT_EQ(brush.size(), 1u);
    EXPECT_EQ(brush[0].at("Opacity"), "0.50");
    const std::vector<double> viewbox = Numbers(brush[0].at("Viewbox"));
    const std::vector<double> viewport = Numbers(brush[0].at("Viewport"));
    ASSERT_EQ(viewbox.size(), 4u);
    ASSERT_EQ(viewport.size(), 4u);
    EXPECT_NEAR(viewbox[2], c.width * 100 / c.scaling, 0.01);
    EXPECT_NEAR(viewbox[3], c.height * 100 / c.scaling, 0.01);
    EXPECT_NEAR(viewport[0], c.cx - c.width / 2, 0.01);
    EXPECT_NEAR(viewport[1], c.cy - c.height / 2, 0.01);
    EXPECT_NEAR(viewport[2], c.width, 0.01);
    EXPECT_NEAR(viewport[3], c.height, 0.01);
    const std::vector<double> path = Numbers(Elements(over, "Path")[0].at("Data"));
    ASSERT_EQ(path.size(), 8u);
    EXPECT_NEAR(path[4] - path[0], c.width, 0.01);
    EXPECT_NEAR(path[3] - path[1], c.height, 0.01);

    // The part: one PNG that the imaging layer reads back at the same size.
    const auto& part = consumer_->parts.back();
    EXPECT_EQ(brush[0].at("ImageSource"), part->uri);
    EXPECT_EQ(part->contentType, "image/png");
    const std::string& bytes = part->content->bytes;
    std::unique_ptr<imaging::BitmapDecoder> decoder;
    ASSERT_EQ(imaging::CreateDecoderFromMemory({reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, &decoder),
              S_OK);
    const imaging::BitmapFrame* frame = nullptr;
    ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
    EXPECT_EQ(frame->Width(), 300u);
    EXPECT_EQ(frame->Height(), 150u);
  }
}

TEST_F(WatermarkTest, ImagePartNamesAreEscapedAndNeverRepeat) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"/home/ana/logo.bmp", "/WM_logo.bmp_"},
      {u"C:\\Images\\logo.bmp", "/WM_logo.bmp_"},
      {u"D:logo.bmp", "/WM_logo.bmp_"},
      {u"/srv/my logo #1 \u00fc.bmp", "/WM_my%20logo%20%231%20%C3%BC.bmp_"},
      {u"/srv/a\"b<c>.png", "/WM_a%22b%3Cc%3E.png_"},
  };
  std::set<std::string> names;
  for (const auto& [path, prefix] : cases) {
    SCOPED_TRACE(prefix);
    ImageResource image(path);
    for (int i = 0; i < 2; ++i) {
      Bstr uri;
      ASSERT_EQ(image.GetPartUri(&uri), S_OK);
      const std::string name = U8(uri.View());
      EXPECT_TRUE(name.starts_with(prefix)) << name;
      EXPECT_TRUE(std::regex_match(name.substr(std::string(prefix).size()), std::regex(R"(\d+\.png)"))) << name;
      EXPECT_TRUE(names.insert(name).second) << name;
    }
  }
}

TEST_F(WatermarkTest, FilesThatAreNoUsableImageMakeNoPart) {
  const fs::path fifo = dir_ / "fifo.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(dir_ / "cut.png", std::ios::binary) << "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";
  const std::pair<const char*, fs::path> cases[] = {
      {"fifo", fifo},
      {"device", "/dev/zero"},
      {"directory", dir_},
      {"missing", dir_ / "missing.bmp"},
      {"cut png", dir_ / "cut.png"},
  };
  for (const auto& [label, path] : cases) {
    SCOPED_TRACE(label);
    std::unique_ptr<PageDecoration> watermark;
    ASSERT_EQ(BitmapWatermark::Create(On(BitmapItem(path)), &watermark), S_OK);
    std::string over;
    EXPECT_TRUE(FAILED(Build(*watermark, &over)));
  }
  for (const auto& part : consumer_->parts) EXPECT_EQ(part->contentType, "") << part->uri;
}

TEST_F(WatermarkTest, APngCopyCutShortFails) {
  ImageResource image(U16(WriteBmp("logo.bmp", 64, 64, 0).string()));
  const auto part = MakeComObject<PartsConsumer::ResourcePart>("/WM_logo.png");
  // A stream that fails in the middle of the copy.
  const auto stream = MakeComObject<RecordingWriteStream>();
  stream->TakeAtMost(64);
  stream->FailCall(2, E_FAIL);
  EXPECT_EQ(image.WritePartContent(static_cast<IPartImage*>(part.Get()), stream.Get()), E_FAIL);
  EXPECT_EQ(part->contentType, "");
}

}  // namespace
