// What the ticket flow tests share: the reference printer registered under a
// test name, tickets from a few features and what a ticket document says.
// Parts and the consumer come from the shared test pipeline.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/com.h"
#include "platform/print_ticket_provider.h"
#include "platform/xml_dom.h"
#include "test_pipeline.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/print_ticket_dom.h"

namespace ticket_flow {

inline constexpr char16_t kTestPrinter[] = u"Kestrel Test Printer";

inline const std::filesystem::path kSourceDir =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();

// The reference printer's description under kTestPrinter.
inline void RegisterTestPrinter() {
  const std::string description = (kSourceDir / "driver/printer/kestrel-inkjet-mfp.xml").string();
  ASSERT_EQ(RegisterPrinter(kTestPrinter, description.c_str()), S_OK);
}

// A print ticket of the given top-level elements, with the usual prefixes.
inline std::string Ticket(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<psf:PrintTicket version=\"1\""
         " xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\""
         " xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">" +
         body + "</psf:PrintTicket>";
}

inline std::string Feature(const std::string& feature, const std::string& option) {
  return "<psf:Feature name=\"psk:" + feature + "\"><psf:Option name=\"psk:" + option + "\"/></psf:Feature>";
}

// The selected option of a keywords feature (without prefix), or "" when the ticket has none.
inline std::string OptionOf(IXMLDOMDocument2* ticket, std::u16string_view feature) {
  PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
  Bstr option;
  BOOL is_private = FALSE;
  if (dom.GetFeatureOption(dom.KeywordsPrefix(), feature, &option, &is_private) != S_OK) return "";
  return *Utf16ToUtf8(option.View());
}

inline bool HasFeature(IXMLDOMDocument2* ticket, std::u16string_view feature) {
  PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
  return dom.FeatureExists(feature) == S_OK;
}

inline std::string XmlOf(IXMLDOMDocument2* document) {
  Bstr xml;
  EXPECT_EQ(document->get_xml(xml.Put()), S_OK);
  return *Utf16ToUtf8(xml.View());
}

}  // namespace ticket_flow
