// The markup of composed sheets: a page copied into a cell, a page rewritten
// with its side shifted, and the resource references that must still reach
// their parts from the sheet.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "filters/layout/cell_copy_handler.h"
#include "filters/layout/copied_markup.h"
#include "framework/markup_parse.h"
#include "filters/layout/page_rewrite_handler.h"
#include "filters/layout/resource_reference.h"
#include "filters/layout/sheet_writer.h"
#include "platform/part_content.h"
#include "platform/utf.h"
#include "test_parts.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kPageName[] = "/Documents/1/Pages/1.fpage";

// The markup the handler made of page, and the parse's result.
template <typename Handler, typename... Args>
std::pair<HRESULT, std::string> Handle(const std::string& page, Args&&... args) {
  const std::shared_ptr<PartContent> output = CreatePartContent();
  ComPtr<IPrintWriteStream> writer;
  EXPECT_EQ(output->OpenWriter(writer.Put()), S_OK);
  ComPtr<IPrintReadStream> input;
  EXPECT_EQ(CreateReadStreamOnBytes(std::vector<BYTE>(page.begin(), page.end()), input.Put()), S_OK);
  const ComPtr<Handler> handler = ComPtr<Handler>::Attach(new Handler(writer.Get(), std::forward<Args>(args)...));
  HRESULT hr = ParseMarkup(input.Get(), handler.Get());
  if (SUCCEEDED(hr)) hr = handler->Flush();
  writer->Close();
  return {hr, ReadAll(*output)};
}

std::pair<HRESULT, std::string> CopyCell(const std::string& page, LONG cell = 0) {
  return Handle<CellCopyHandler>(page, Utf8ToUtf16(kPageName).value(), std::u16string(u"<Canvas C=\"1\""), cell);
}

TEST(CellCopy, ThePageBecomesACanvasWithItsDeclarationsAndResources) {
  const auto [hr, markup] = CopyCell(
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xmlns:x=\"urn:x\" Width=\"816\" Height=\"1056\" "
      "xml:lang=\"en-US\"><FixedPage.Resources><ResourceDictionary/></FixedPage.Resources>\n  "
      "<Path Data=\"M 0,0 L 1,1\"/><Canvas><Glyphs UnicodeString=\"A&amp;B &lt;&quot;\" "
      "FontUri=\"../../../Resources/arial.ttf\"/></Canvas></FixedPage>");
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(markup,
            "<Canvas C=\"1\" xmlns:x=\"urn:x\"><Canvas.Resources><ResourceDictionary/></Canvas.Resources>"
            "<Path Data=\"M 0,0 L 1,1\"/><Canvas><Glyphs UnicodeString=\"A&amp;B &lt;&quot;\" "
            "FontUri=\"/Resources/arial.ttf\"/></Canvas></Canvas>");
}

TEST(CellCopy, CellsAfterTheFirstKeepTheirNamesApart) {
  const std::string page =
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><Path Name=\"Logo\" "
      "x:Name=\"Other\" xmlns:x=\"urn:x\"/></FixedPage>";
  EXPECT_THAT(CopyCell(page, 0).second, HasSubstr("Name=\"Logo\" x:Name=\"Other\""));
  EXPECT_THAT(CopyCell(page, 3).second, HasSubstr("Name=\"L3_Logo\" x:Name=\"Other\""));
}

TEST(CellCopy, AnotherDefaultNamespaceAndCompatibilityAttributesStayWithTheCell) {
  const auto [hr, markup] = CopyCell(
      "<FixedPage xmlns=\"http://schemas.openxps.org/oxps/v1.0\" xmlns:mc=\""
      "http://schemas.openxmlformats.org/markup-compatibility/2006\" xmlns:v=\"urn:v\" mc:Ignorable=\"v\" "
      "v:Extra=\"1\"/>");
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(markup,
            "<Canvas C=\"1\" xmlns=\"http://schemas.openxps.org/oxps/v1.0\" xmlns:mc=\""
            "http://schemas.openxmlformats.org/markup-compatibility/2006\" xmlns:v=\"urn:v\" mc:Ignorable=\"v\">"
            "</Canvas>");
}

TEST(CellCopy, MarkupThatBreaksOffFailsTheCopy) {
  const auto [hr, markup] = CopyCell("<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><Path ");
  EXPECT_TRUE(FAILED(hr));
}

TEST(PageRewrite, TheContentAfterTheResourcesMovesIntoTheShiftedCanvas) {
  const auto [hr, markup] = Handle<PageRewriteHandler>(
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
      "xml:lang=\"en-US\"><FixedPage.Resources><ResourceDictionary/></FixedPage.Resources>"
      "<Path Fill=\"#FF000000\" Data=\"M 0,0 L 1,1\"/></FixedPage>",
      std::u16string(u"1,0,0,1,37.795,0"));
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(markup,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
            "Width=\"816\" Height=\"1056\" xml:lang=\"en-US\"><FixedPage.Resources><ResourceDictionary/>"
            "</FixedPage.Resources><Canvas RenderTransform=\"1,0,0,1,37.795,0\" Clip=\"M 0,0 L 816,0 L 816,1056 "
            "L 0,1056 Z\"><Path Fill=\"#FF000000\" Data=\"M 0,0 L 1,1\"/></Canvas></FixedPage>");
}

TEST(ResourceReference, ReferencesResolveFromThePagesPartName) {
  struct Case {
    const char16_t* attribute;
    const char16_t* value;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"FontUri", u"../../../Resources/arial.ttf", u"/Resources/arial.ttf"},
      {u"FontUri", u"font.odttf", u"/Documents/1/Pages/font.odttf"},
      {u"ImageSource", u"./../img/a.png", u"/Documents/1/img/a.png"},
      {u"ImageSource", u"/Resources/a.png", u"/Resources/a.png"},
      {u"ImageSource", u"{StaticResource Image1}", u"{StaticResource Image1}"},
      {u"ImageSource", u"{ColorConvertedBitmap ../a.tif ../b.icc}",
       u"{ColorConvertedBitmap /Documents/1/a.tif /Documents/1/b.icc}"},
      {u"Source", u"../../../../../../dict.xaml", u"/dict.xaml"},
      {u"Source", u"http://example.com/dict.xaml", u"http://example.com/dict.xaml"},
      {u"Fill", u"ContextColor ../profile.icc 1.0,0.5,0.5,0.5",
       u"ContextColor /Documents/1/profile.icc 1.0,0.5,0.5,0.5"},
      {u"Fill", u"#FF000000", u"#FF000000"},
      {u"Fill", u"{StaticResource Brush}", u"{StaticResource Brush}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.value).value());
    EXPECT_EQ(AbsoluteReferences(u"/Documents/1/Pages/1.fpage", c.attribute, c.value), c.expected);
  }
  EXPECT_TRUE(MayReferToResource(u"Color"));
  EXPECT_FALSE(MayReferToResource(u"Data"));
}

// A page whose resource parts are listed by name and which records the parts attached to it.
class ResourcePage final : public TestTicketedPart<IFixedPage> {
 public:
  using TestTicketedPart::TestTicketedPart;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown* part) override {
    attached.push_back(NameOf(part));
    return S_OK;
  }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator** iterator) override {
    *iterator = MakeComObject<Parts, IXpsPartIterator>(resources).Detach();
    return S_OK;
  }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }

  std::vector<ComPtr<IUnknown>> resources;
  std::vector<std::string> attached;

 private:
  static std::string NameOf(IUnknown* part) {
    ComPtr<IPartBase> base;
    part->QueryInterface(IID_IPartBase, base.PutVoid());
    Bstr uri;
    base->GetUri(uri.Put());
    return U8(uri.View());
  }
  class Parts final : public ComObject<IXpsPartIterator> {
   public:
    explicit Parts(std::vector<ComPtr<IUnknown>> parts) : parts_(std::move(parts)) {}
    void Reset() override { at_ = 0; }
    HRESULT Current(BSTR* uri, IUnknown** part) override {
      *uri = SysAllocString(U16(NameOf(parts_[at_].Get())).c_str());
      *part = ComPtr<IUnknown>(parts_[at_]).Detach();
      return S_OK;
    }
    BOOL IsDone() override { return at_ >= parts_.size(); }
    void Next() override { ++at_; }

   private:
    std::vector<ComPtr<IUnknown>> parts_;
    std::size_t at_ = 0;
  };
};

ComPtr<IUnknown> Resource(const std::string& name) {
  return MakeComObject<TestPart<IPartResourceDictionary>, IUnknown>(name, ContentOf(""));
}

TEST(SheetWriter, APartThePagesOfASheetShareIsAttachedOnce) {
  const std::string markup =
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><Path Name=\"P\"/></FixedPage>";
  const auto first = MakeComObject<ResourcePage>("/Documents/1/Pages/1.fpage", ContentOf(markup));
  const auto second = MakeComObject<ResourcePage>("/Documents/1/Pages/2.fpage", ContentOf(markup));
  first->resources = {Resource("/Resources/shared.dict"), Resource("/Resources/a.dict")};
  second->resources = {Resource("/Resources/shared.dict"), Resource("/Resources/b.dict")};
  const auto sheetPage = MakeComObject<ResourcePage>("/LO_NUpPage_1.xml", nullptr);
  const std::shared_ptr<PartContent> output = CreatePartContent();
  SheetWriter sheet;
  sheet.page = ComPtr<IFixedPage>(sheetPage.Get());
  ASSERT_EQ(output->OpenWriter(sheet.stream.Put()), S_OK);
  const ClipRect clip{0, 0, 10, 10};
  EXPECT_EQ(CopyPageIntoSheet(first.Get(), sheet, Transform(), clip), S_OK);
  EXPECT_EQ(CopyPageIntoSheet(second.Get(), sheet, Transform(), clip), S_OK);
  EXPECT_EQ(CloseSheet(sheet), S_OK);
  EXPECT_EQ(sheetPage->attached,
            (std::vector<std::string>{"/Resources/shared.dict", "/Resources/a.dict", "/Resources/b.dict"}));
  const std::string written = ReadAll(*output);
  EXPECT_THAT(written, HasSubstr("<Path Name=\"P\"/>"));
  EXPECT_THAT(written, HasSubstr("<Path Name=\"L1_P\"/>"));
  EXPECT_TRUE(written.ends_with("</Canvas></FixedPage>")) << written;
}

TEST(SidePartNames, NamesNeverRepeatWithinTheJobWhateverTheClock) {
  SidePartNames names;
  std::set<std::u16string> seen;
  // Far more names than milliseconds pass: the tick count alone would repeat.
  for (int i = 0; i < 2000; ++i) {
    const std::u16string name = names.Next(i % 3 == 0);
    EXPECT_TRUE(name.starts_with(i % 3 == 0 ? u"/LO_Empty_" : u"/LO_NUpPage_"));
    EXPECT_TRUE(seen.insert(name.substr(name.rfind(u'_'))).second) << Utf16ToUtf8(name).value();
  }
}

}  // namespace
