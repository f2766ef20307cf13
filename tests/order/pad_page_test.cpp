// The markup of pad pages: the root element of the template page, repeated
// with its attributes, well-formed whatever they hold, and nothing else.
#include "filters/order/pad_page.h"

#include <gtest/gtest.h>

#include "order_pipeline.h"

namespace {

using namespace order_test;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

struct Read {
  HRESULT hr;
  std::string markup;
};

Read PadMarkupOf(const std::string& templateMarkup) {
  const auto page = MakeComObject<TestPage>("/template.fpage", ContentOf(templateMarkup));
  Read read{E_FAIL, ""};
  read.hr = ReadPadPageMarkup(page.Get(), &read.markup);
  return read;
}

TEST(PadPage, RepeatsTheRootWithItsAttributesAndDropsTheContent) {
  const Read read = PadMarkupOf(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
      "Width=\"816\" Height=\"1056\" xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\" "
      "xml:lang=\"en-US\" Name=\"Cover\">\n<Canvas><Path Data=\"M 0,0 L 1,1\"/><Glyphs UnicodeString=\"Hi\"/>"
      "</Canvas></FixedPage>");
  ASSERT_EQ(read.hr, S_OK);
  EXPECT_EQ(read.markup, std::string(kDeclaration) +
                             "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" "
                             "Height=\"1056\" xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/"
                             "resourcedictionary-key\" xml:lang=\"en-US\" Name=\"Cover\"/>");

  const Read prefixed = PadMarkupOf(
      "<p:FixedPage xmlns:p=\"http://schemas.openxps.org/oxps/v1.0\" Width=\"96\" Height=\"96\" xml:lang=\"fr\">"
      "<p:Path Data=\"M 0,0 L 1,1\"/></p:FixedPage>");
  ASSERT_EQ(prefixed.hr, S_OK);
  EXPECT_EQ(prefixed.markup, std::string(kDeclaration) +
                                 "<p:FixedPage xmlns:p=\"http://schemas.openxps.org/oxps/v1.0\" Width=\"96\" "
                                 "Height=\"96\" xml:lang=\"fr\"/>");
}

TEST(PadPage, EscapesValuesSoThatThePadReadsBackTheSame) {
  const Read read = PadMarkupOf(
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
      "xml:lang=\"en\" Name=\"a&amp;b&lt;c&gt;&quot;d&quot;&#9;e&#10;f&#13;g&apos;\"/>");
  ASSERT_EQ(read.hr, S_OK);
  EXPECT_EQ(read.markup, std::string(kDeclaration) +
                             "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" "
                             "Height=\"1056\" xml:lang=\"en\" "
                             "Name=\"a&amp;b&lt;c&gt;&quot;d&quot;&#x9;e&#xA;f&#xD;g&apos;\"/>");
  // Read as a template again, the pad gives itself: every value came back unchanged.
  const Read again = PadMarkupOf(read.markup);
  ASSERT_EQ(again.hr, S_OK);
  EXPECT_EQ(again.markup, read.markup);
}

TEST(PadPage, TemplatesThatAreNoFixedPageGiveNoPad) {
  struct Case {
    const char* label;
    std::string markup;
    HRESULT hr;
  };
  const Case cases[] = {
      {"another root", "<Canvas xmlns=\"http://schemas.microsoft.com/xps/2005/06\"/>",
       HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
      {"empty", "", E_XML_PARSE},
      {"not XML", "FixedPage Width=816", E_XML_PARSE},
      {"unbound prefix", "<p:FixedPage Width=\"1\"/>", E_XML_PARSE},
      {"document type", "<!DOCTYPE FixedPage [<!ENTITY e \"x\">]><FixedPage Name=\"&e;\"/>", E_XML_PARSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Read read = PadMarkupOf(c.markup);
    EXPECT_EQ(read.hr, c.hr) << HresultName(read.hr);
    EXPECT_TRUE(read.markup.empty());
  }
}

TEST(PadPage, NewPadsGetNamesTheJobDoesNotHaveAndTheirMarkup) {
  const auto consumer = MakeComObject<RecordingConsumer>();
  PadPageNames names;
  ComPtr<IFixedPage> first, second;
  ASSERT_EQ(CreatePadPage(consumer.Get(), "<FixedPage/>", names, &first), S_OK);
  consumer->RefusePageNames(3);
  ASSERT_EQ(CreatePadPage(consumer.Get(), "<FixedPage/>", names, &second), S_OK);
  ASSERT_EQ(consumer->newPages().size(), 2u);
  for (const auto& [name, pad] : consumer->newPages()) EXPECT_EQ(pad->Bytes(), "<FixedPage/>") << name;

  EXPECT_EQ(CreatePadPage(nullptr, "<FixedPage/>", names, &first), E_PENDING);
  EXPECT_EQ(CreatePadPage(consumer.Get(), "<FixedPage/>", names, nullptr), E_POINTER);
}

}  // namespace
