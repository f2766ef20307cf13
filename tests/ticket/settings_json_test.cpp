#include "ticket/settings_json.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

TEST(SettingsJson, EscapesTextsAndReplacesStraySurrogates) {
  JobInfoSettings settings;
  settings.userName = Bstr(u"a\"b\\c\n\u00e9\U0001F600\x01");
  settings.computerName = Bstr(std::u16string_view(u"\xD800x", 2));
  const OrderedJson json = DescribeFields(settings);
  EXPECT_EQ(json["userName"].dump(), "\"a\\\"b\\\\c\\n\xC3\xA9\xF0\x9F\x98\x80\\u0001\"");
  EXPECT_EQ(json["computerName"].dump(), "\"\xEF\xBF\xBDx\"");
}

TEST(SettingsJson, DescribesEnumerationsByIndexAndName) {
  EXPECT_EQ(DescribeFields(MirrorSettings{Mirror::MirrorImageWidth, static_cast<OffOn>(7)}).dump(2),
            "{\n"
            "  \"mirror\": {\n"
            "    \"index\": 0,\n"
            "    \"name\": \"MirrorImageWidth\"\n"
            "  },\n"
            "  \"reverse\": {\n"
            "    \"index\": 7,\n"
            "    \"name\": null\n"
            "  }\n"
            "}");
  EXPECT_EQ(SettingsHresultName(S_SETTINGS_DEFAULTED), "S_SETTINGS_DEFAULTED (0x00040002)");
  EXPECT_EQ(SettingsHresultName(kTicketItemNotFound), HresultName(kTicketItemNotFound));
}

TEST(SettingsJson, DescribesEveryRecordOfATicket) {
  const std::string body =
      Feature("psk:JobNUpAllDocumentsContiguously",
              "<psf:Option>" + Scored("psk:PagesPerSheet", IntValue(4)) + "</psf:Option>" +
                  Feature("psk:PresentationDirection", Option("psk:BottomLeft")) +
                  Feature("ns0000:BorderLine", Option("ns0000:BreakLine"))) +
      Feature("psk:JobBindAllDocuments", Option("psk:BindRight"));
  const ComPtr<IXMLDOMDocument2> ticket = LoadXml(TicketXml(body));
  const ComPtr<IXMLDOMDocument2> capabilities = LoadXml(TicketXml(
      Property("psk:PageImageableSize", Property("psk:ImageableSizeWidth", IntValue(207434))), kDeclarations,
      "PrintCapabilities"));
  std::string json;
  ASSERT_EQ(DescribeSettingsJson(ticket.Get(), capabilities.Get(), &json), S_OK);
  for (const char* expected : {
           "\"mediaSize\": {\n    \"hresult\": \"S_SETTINGS_DEFAULTED (0x00040002)\",\n"
           "    \"optionName\": \"NorthAmericaLetter\"",
           "\"imageableArea\": {\n    \"hresult\": \"HRESULT_FROM_WIN32(ERROR_NOT_FOUND) (0x80070490)\",\n"
           "    \"imageableWidth\": 207434",
           "\"jobInfo\": {\n    \"hresult\": \"S_OK (0x00000000)\"",
           "\"pagesPerSheet\": 4",
           "\"presentationDirection\": {\n      \"index\": 3,\n      \"name\": \"BottomLeft\"",
           "\"bindingEdge\": {\n      \"index\": 2,\n      \"name\": \"BindRight\"",
           "\"scope\": {\n      \"index\": -1,\n      \"name\": \"None\"",
           "\"binName\": [\n      \"AutoSelect\",\n      \"SameTray\"\n    ]",
           "\"mirror\": {\n    \"hresult\": \"S_OK (0x00000000)\"",
           "\"scaling\": {\n    \"hresult\": \"S_OK (0x00000000)\",\n    \"mode\": {\n      \"index\": 0,\n"
           "      \"name\": \"None\"",
       })
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\nin\n" << json;
}

TEST(SettingsJson, ReportsWhatCannotBeWrapped) {
  const ComPtr<IXMLDOMDocument2> ticket = LoadXml(TicketXml(""));
  std::string json;
  ASSERT_EQ(DescribeSettingsJson(ticket.Get(), nullptr, &json), S_OK);
  EXPECT_NE(json.find("\"imageableArea\": {\n    \"hresult\": \"E_PENDING (0x8000000A)\""), std::string::npos) << json;
  std::string untouched = "untouched";
  const ComPtr<IXMLDOMDocument2> capabilities = LoadXml(TicketXml("", kDeclarations, "PrintCapabilities"));
  EXPECT_EQ(DescribeSettingsJson(capabilities.Get(), nullptr, &untouched), E_FAIL);
  EXPECT_EQ(untouched, "untouched");
  EXPECT_EQ(DescribeSettingsJson(ticket.Get(), nullptr, nullptr), E_POINTER);
}

}  // namespace
