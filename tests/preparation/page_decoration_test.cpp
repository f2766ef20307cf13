// Decorations on a rewritten page: their resource part is made once per job
// and shared by every page, a decoration whose part cannot be had is left off,
// and their markup lies inside the scaling canvas, under or over the content.
#include "filters/preparation/page_decoration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "filters/preparation/page_rewriter.h"
#include "framework/markup_parse.h"
#include "preparation_pipeline.h"

namespace {

using namespace preparation_test;
using ::testing::HasSubstr;

class FakeFont final : public ResourceProvider {
 public:
  FakeFont(std::u16string key, std::u16string uri, HRESULT writeResult = S_OK)
      : key_(std::move(key)), uri_(std::move(uri)), writeResult_(writeResult) {}
  HRESULT WritePartContent(IUnknown*, IPrintWriteStream* stream) override {
    if (FAILED(writeResult_)) return writeResult_;
    ULONG written = 0;
    return stream->WriteBytes("font", 4, &written);
  }
  HRESULT GetCacheKey(Bstr* key) override {
    *key = Bstr(key_);
    return S_OK;
  }
  HRESULT GetPartUri(Bstr* uri) override {
    *uri = Bstr(uri_);
    return S_OK;
  }

 private:
  std::u16string key_;
  std::u16string uri_;
  HRESULT writeResult_;
};

// Draws a Path tagged with its name and the URI of its font part.
class FakeDecoration final : public PageDecoration {
 public:
  FakeDecoration(std::string name, FakeFont font, bool under = false)
      : name_(std::move(name)), font_(std::move(font)), under_(under) {}
  HRESULT BuildMarkup(REAL width, REAL, const PageBox&) override {
    const std::u16string path = u"<Path Tag=\"" + U16(name_) + u"\" FontUri=\"" + std::u16string(resource_uri().View()) +
                                u"\" Width=\"" + U16(std::to_string(static_cast<int>(width))) + u"\"/>";
    SetMarkup(path, under_ ? u"<Path Tag=\"under\"/>" : u"");
    return S_OK;
  }
  bool DrawsUnderContent() const override { return under_; }

 private:
  ResourceProvider& Provider() override { return font_; }
  const IID& PartInterface() const override { return IID_IPartFont; }

  std::string name_;
  FakeFont font_;
  bool under_;
};

class PageDecorationTest : public PreparationPipeline {
 protected:
  void SetUp() override {
    PreparationPipeline::SetUp();
    ComPtr<IPrintReadStream> user;
    const std::string text = TicketXml(CorrectFixedPageSize());
    ASSERT_EQ(CreateReadStreamOnBytes(std::vector<BYTE>(text.begin(), text.end()), user.Put()), S_OK);
    ASSERT_EQ(manager_.Open(user.Get(), Bstr(std::u16string_view(kPrinter)).Get()), S_OK);
  }
  // Settings read from the user ticket, which asks to correct the page size only.
  std::unique_ptr<ScopeSettings> Scope() {
    IXMLDOMDocument2* ticket = nullptr;
    EXPECT_EQ(manager_.GetTicket(kPTJobScope, &ticket), S_OK);
    auto scope = std::make_unique<ScopeSettings>(manager_, PRIVATE_KEYWORDS_NS, nullptr);
    bool changed = false;
    EXPECT_EQ(scope->ReadScopeSettings(ticket, &changed), S_OK);
    return scope;
  }
  // The page's markup rewritten under the scope.
  static std::string Rewrite(RewritablePage& page, const ScopeSettings& scope) {
    ComPtr<IPrintReadStream> input;
    EXPECT_EQ(page.GetStream(input.Put()), S_OK);
    ComPtr<IPrintWriteStream> output;
    EXPECT_EQ(page.GetWriteStream(output.Put()), S_OK);
    const ComPtr<PageRewriter> rewriter = ComPtr<PageRewriter>::Attach(new PageRewriter(output.Get(), scope));
    EXPECT_EQ(ParseMarkup(input.Get(), rewriter.Get()), S_OK);
    EXPECT_EQ(rewriter->Flush(), S_OK);
    return page.written()->bytes;
  }

  PrintTicketManager manager_;
  PartResourceCache cache_;
  ComPtr<FontConsumer> fonts_ = MakeComObject<FontConsumer>();
};

TEST_F(PageDecorationTest, AFontPartIsMadeOnceAndEveryPageReferencesIt) {
  const auto first = MakeComObject<RewritablePage>("/p1", ContentOf(PageMarkup(1)));
  const auto second = MakeComObject<RewritablePage>("/p2", ContentOf(PageMarkup(2)));
  for (const auto& [page, proposed] : {std::pair{first, u"/Fonts/A.odttf"}, std::pair{second, u"/Fonts/B.odttf"}}) {
    auto scope = Scope();
    scope->SetWatermark(std::make_unique<FakeDecoration>("wm", FakeFont(u"Arial", proposed)));
    ASSERT_EQ(scope->PrepareDecorationResources(fonts_.Get(), page.Get(), &cache_), S_OK);
    EXPECT_THAT(Rewrite(*page, *scope), HasSubstr("<Path Tag=\"wm\" FontUri=\"/Fonts/A.odttf\" Width=\"816\"/>"));
  }
  ASSERT_EQ(fonts_->fonts.size(), 1u);
  EXPECT_EQ(fonts_->fonts[0]->content->bytes, "font");
  ASSERT_EQ(first->page_parts().size(), 1u);
  ASSERT_EQ(second->page_parts().size(), 1u);
  EXPECT_EQ(first->page_parts()[0].Get(), second->page_parts()[0].Get());

  Bstr uri;
  EXPECT_EQ(cache_.LookupPartUri(u"", &uri), E_INVALIDARG);
  EXPECT_EQ(cache_.LookupPartUri(u"arial", &uri), E_FAIL);
  EXPECT_EQ(cache_.LookupPartUri(u"Arial", nullptr), E_POINTER);
}

TEST_F(PageDecorationTest, DecorationsLieInsideTheScalingCanvasAndOneWithoutItsPartIsLeftOff) {
  const auto page = MakeComObject<RewritablePage>("/p1", ContentOf(PageMarkup(7)));
  auto scope = Scope();
  scope->SetWatermark(std::make_unique<FakeDecoration>("wm", FakeFont(u"Arial", u"/Fonts/A.odttf"), true));
  scope->SetHeaderFooter(std::make_unique<FakeDecoration>("hf", FakeFont(u"Broken", u"/Fonts/B.odttf", E_FAIL)));
  ASSERT_EQ(scope->PrepareDecorationResources(fonts_.Get(), page.Get(), &cache_), S_OK);
  EXPECT_EQ(scope->header_footer(), nullptr);
  EXPECT_EQ(Rewrite(*page, *scope),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
            "Width=\"816.01\" Height=\"1056.01\" xml:lang=\"en-US\">"
            "<Canvas RenderTransform=\"1.000000,0.000000,0.000000,1.000000,0.00,0.00\" "
            "Clip=\"M 0.00,0.00 L 816.00,0.00 816.00,1056.00 0.00,1056.00 z\">"
            "<Path Tag=\"under\"/>"
            "<Path Data=\"M 0,0 L 7,10 Z\" Fill=\"#FF000000\"/>"
            "<Path Tag=\"wm\" FontUri=\"/Fonts/A.odttf\" Width=\"816\"/>"
            "</Canvas>\n</FixedPage>\n");
}

}  // namespace
