// The font of text decorations: measuring, the font part's bytes and name, and
// font files read as hostile input.
#include "filters/preparation/font/font_resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "filters/preparation/font/glyph_run_text.h"
#include "host/package/font_obfuscation.h"
#include "platform/sfnt.h"
#include "recording_write_stream.h"
#include "test_parts.h"

namespace {

const char* const kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr char16_t kCollectionFace[] = u"WenQuanYi Micro Hei Mono";

std::vector<BYTE> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<FontResource> Make(const FontRequest& request) {
  std::unique_ptr<FontResource> resource;
  EXPECT_EQ(FontResource::Create(request, &resource), S_OK);
  return resource;
}

// A font part that records what it is told and can refuse the obfuscation option.
class TestFontPart final : public TestPart<IPartFont> {
 public:
  TestFontPart() : TestPart<IPartFont>("/font.odttf") {}
  HRESULT GetFontProperties(BSTR* type, EXpsFontOptions* options) override {
    *type = SysAllocString(contentType.c_str());
    *options = this->options;
    return S_OK;
  }
  HRESULT SetFontContent(BSTR type) override {
    contentType = type;
    return S_OK;
  }
  HRESULT SetFontOptions(EXpsFontOptions value) override {
    if (refuseOptions) return E_NOTIMPL;
    options = value;
    return S_OK;
  }
  std::u16string contentType;
  EXpsFontOptions options = Font_Normal;
  bool refuseOptions = false;
};

// Runs a checker on a font file; the font passes when it exits 0.
bool ToolAccepts(const std::string& command, const std::vector<BYTE>& font, const std::string& name) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / (name + ".ttf");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(font.data()),
                                              static_cast<std::streamsize>(font.size()));
  const int status = std::system((command + " '" + path.string() + "' >/dev/null 2>&1").c_str());
  std::filesystem::remove(path);
  return status == 0;
}

TEST(GlyphRunTextTest, FillStyleAndEmSize) {
  EXPECT_EQ(GlyphFillText(255), u"#0000FF");
  EXPECT_EQ(GlyphFillText(16777215), u"#FFFFFF");
  EXPECT_EQ(GlyphFillText(0x7F123456), u"#123456") << "only the colour's 24 bits";
  EXPECT_EQ(StyleSimulationsText(false, false), u"None");
  EXPECT_EQ(StyleSimulationsText(false, true), u"ItalicSimulation");
  EXPECT_EQ(StyleSimulationsText(true, false), u"BoldSimulation");
  EXPECT_EQ(StyleSimulationsText(true, true), u"BoldItalicSimulation");
  EXPECT_EQ(FontRenderingEmSizeText(72), u"96");
  EXPECT_EQ(FontRenderingEmSizeText(11), u"15");
  EXPECT_EQ(FontRenderingEmSizeText(10), u"13");
  EXPECT_EQ(FontRenderingEmSizeText(2147483647), u"") << "an overflowing size gives no text";
}

TEST(FontResourceTest, SingleFaceIsTheInstalledFileWhateverTheStyle) {
  for (const bool bold : {false, true}) {
    SCOPED_TRACE(bold ? "bold" : "regular");
    const auto font = Make({u"Arial", 72, bold, bold, DEFAULT_CHARSET, u"A"});
    ASSERT_TRUE(font);
    EXPECT_EQ(std::vector<BYTE>(font->FontData().begin(), font->FontData().end()), ReadFile(kLiberationSans));
    // Liberation Sans: "A" is 1366 of 2048 units, bold "A" 1479; at 72 points the em is 96 pixels.
    ASSERT_EQ(font->Advances().size(), 1u);
    EXPECT_EQ(font->Advances()[0], bold ? 69 : 64) << "measured with the styled face";
    EXPECT_EQ(font->TextExtent().cx, font->Advances()[0]);
    EXPECT_EQ(font->Ascent(), 87);
    EXPECT_EQ(font->Descent(), 20);
    // OS/2 strike-out 102 at 530, post underline -67 thick 150, over 2048.
    EXPECT_FLOAT_EQ(font->LineMetrics().strikeoutSize, 102.0f / 2048);
    EXPECT_FLOAT_EQ(font->LineMetrics().strikeoutPosition, 530.0f / 2048);
    EXPECT_FLOAT_EQ(font->LineMetrics().underlinePosition, -67.0f / 2048);
    EXPECT_FLOAT_EQ(font->LineMetrics().underlineThickness, 150.0f / 2048);
    EXPECT_FALSE(font->FindGlyphIndex(0x1F600)) << "Liberation Sans has no format-12 cmap";
  }
}

TEST(FontResourceTest, CodePointsAreMeasuredOnceEach) {
  struct Case {
    const char* name;
    std::u16string text;
    std::vector<LONG> advances;
  };
  // At 72 points: "A" 64, the missing glyph 72.
  const Case cases[] = {
      {"a pair outside the BMP counts once", u"A\U0001F600", {64, 72}},
      {"a high surrogate at the end stands alone", u"A\xD83D", {64, 72}},
      {"a lone low surrogate", u"\xDE00" u"A", {72, 64}},
      {"empty", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto font = Make({u"Arial", 72, false, false, DEFAULT_CHARSET, c.text});
    ASSERT_TRUE(font);
    EXPECT_EQ(std::vector<LONG>(font->Advances().begin(), font->Advances().end()), c.advances);
  }
}

TEST(FontResourceTest, CollectionFaceBecomesAValidStandaloneFont) {
  const std::vector<BYTE> collection = ReadFile("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
  for (const std::u16string& key : {std::u16string(kCollectionFace), u"@" + std::u16string(kCollectionFace)}) {
    SCOPED_TRACE(U8(key));
    const auto font = Make({key, 11, false, false, DEFAULT_CHARSET, u"Kestrel"});
    ASSERT_TRUE(font);
    const std::span<const BYTE> data = font->FontData();
    const auto tables = ReadSfntTables(data);
    ASSERT_TRUE(tables);
    std::size_t expected = 12 + 16 * tables->size();
    for (const SfntTableRecord& t : *tables) {
      EXPECT_EQ(t.offset, expected) << "tables follow the directory in order, each 4-byte aligned";
      expected = (t.offset + t.length + 3) & ~std::size_t{3};
    }
    EXPECT_EQ(data.size(), expected);
    const auto original = ReadSfntTables(collection, ReadCollectionFaceOffsets(collection)->at(1));
    ASSERT_TRUE(original);
    ASSERT_EQ(original->size(), tables->size());
    for (std::size_t i = 0; i < tables->size(); ++i)
      EXPECT_TRUE(std::equal(data.begin() + (*tables)[i].offset, data.begin() + (*tables)[i].offset + (*tables)[i].length,
                             collection.begin() + (*original)[i].offset));
    // U+10400 maps to glyph 34584 in this face (fontTools' reading of its cmap).
    EXPECT_EQ(font->FindGlyphIndex(0x10400), 34584u);
    EXPECT_FALSE(font->FindGlyphIndex(0x10FFFF));
    EXPECT_FLOAT_EQ(font->LineMetrics().underlinePosition, -256.0f / 2048);
  }
  const auto font = Make({kCollectionFace, 11, false, false, DEFAULT_CHARSET, u"Kestrel"});
  ASSERT_TRUE(font);
  const std::vector<BYTE> bytes(font->FontData().begin(), font->FontData().end());
  EXPECT_TRUE(ToolAccepts("ots-sanitize", bytes, "kestrel_face_ots"));
  EXPECT_TRUE(ToolAccepts("/usr/bin/python3 -c \"import sys; from fontTools.ttLib import TTFont; "
                          "f = TTFont(sys.argv[1]); [f[t] for t in f.keys()]\"",
                          bytes, "kestrel_face_fonttools"));
}

TEST(FontResourceTest, ConstructionFailures) {
  struct Case {
    const char* name;
    FontRequest request;
    HRESULT expected;
  };
  const Case cases[] = {
      {"a face name of 32 characters", {std::u16string(32, u'A'), 11, false, false, DEFAULT_CHARSET, u"x"}, E_INVALIDARG},
      {"size 0", {u"Arial", 0, false, false, DEFAULT_CHARSET, u"x"}, E_INVALIDARG},
      {"a size whose pixels overflow", {u"Arial", 2147483647, false, false, DEFAULT_CHARSET, u"x"}, E_INVALIDARG},
      {"a collection without a face of that full name",
       {u"NoSuchFamilyAnywhere", 11, false, false, GB2312_CHARSET, u"x"},
       E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<FontResource> font;
    EXPECT_EQ(FontResource::Create(c.request, &font), c.expected);
    EXPECT_FALSE(font);
  }
}

TEST(FontResourceTest, PartIsAnObfuscatedFontNamedByItsGuid) {
  const auto font = Make({u"Arial", 11, false, false, DEFAULT_CHARSET, u"x"});
  ASSERT_TRUE(font);
  Bstr key, uri, again;
  ASSERT_EQ(font->GetCacheKey(&key), S_OK);
  EXPECT_EQ(key.View(), u"Arial");
  ASSERT_EQ(font->GetPartUri(&uri), S_OK);
  EXPECT_TRUE(std::regex_match(U8(uri.View()), std::regex("/[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.odttf")))
      << U8(uri.View());
  EXPECT_TRUE(kestrel::package::FontObfuscationKey(U8(uri.View()))) << "a package can key the obfuscation by it";
  font->GetPartUri(&again);
  EXPECT_EQ(uri.View(), again.View()) << "one GUID per resource";
  EXPECT_EQ(font->GetPartUri(nullptr), E_POINTER);
  EXPECT_EQ(font->GetCacheKey(nullptr), E_POINTER);

  auto part = MakeComObject<TestFontPart, IPartFont>();
  auto* fontPart = static_cast<TestFontPart*>(part.Get());
  auto stream = MakeComObject<RecordingWriteStream, IPrintWriteStream>();
  auto* recorded = static_cast<RecordingWriteStream*>(stream.Get());
  ASSERT_EQ(font->WritePartContent(part.Get(), stream.Get()), S_OK);
  EXPECT_EQ(fontPart->contentType, u"application/vnd.ms-package.obfuscated-opentype");
  EXPECT_EQ(fontPart->options, Font_Obfusticate);
  EXPECT_EQ(recorded->bytes, std::string(font->FontData().begin(), font->FontData().end()));
  for (const ULONG call : recorded->calls) EXPECT_LE(call, 65536u);
  EXPECT_GT(recorded->calls.size(), 1u);

  EXPECT_EQ(font->WritePartContent(nullptr, stream.Get()), E_POINTER);
  EXPECT_EQ(font->WritePartContent(part.Get(), nullptr), E_POINTER);
  EXPECT_EQ(font->WritePartContent(stream.Get(), stream.Get()), E_NOINTERFACE);

  auto refusing = MakeComObject<TestFontPart, IPartFont>();
  static_cast<TestFontPart*>(refusing.Get())->refuseOptions = true;
  auto second = MakeComObject<RecordingWriteStream, IPrintWriteStream>();
  EXPECT_EQ(font->WritePartContent(refusing.Get(), second.Get()), E_NOTIMPL);
  EXPECT_EQ(static_cast<TestFontPart*>(refusing.Get())->contentType, u"") << "never obfuscated type over plain bytes";
  EXPECT_TRUE(static_cast<RecordingWriteStream*>(second.Get())->bytes.empty());
}

}  // namespace
