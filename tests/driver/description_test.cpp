// The driver's descriptions of the provider's tickets and DEVMODEs, as the tools print them.
#include "driver/description/devmode_description.h"
#include "driver/description/schema_description.h"
#include "driver/devmode_fixture.h"

namespace ticket_test {
namespace {

using TicketMerge = ProviderTest;
using TicketDevMode = KestrelDevModeTest;

TEST_F(TicketMerge, DescribesTheMergedTicketAsTextAndJson) {
  const Result r = Merge(Ticket(IntegerInit("psk:JobCopiesAllDocuments", "2")),
                         Ticket(Feature("psk:PageMediaSize", "psk:ISOA4")));
  ASSERT_EQ(r.hr, S_OK) << r.message;
  std::string text, json;
  ASSERT_EQ(DescribePrintSchemaDocument(r.text, false, &text, nullptr), S_OK);
  EXPECT_EQ(text,
            "PrintTicket version 1\n"
            "  ParameterInit psk:JobCopiesAllDocuments = 2\n"
            "  Feature psk:PageMediaSize\n"
            "    Option psk:ISOA4\n"
            "      ScoredProperty psk:MediaSizeWidth = 210000\n"
            "      ScoredProperty psk:MediaSizeHeight = 297000\n");
  ASSERT_EQ(DescribePrintSchemaDocument(r.text, true, &json, nullptr), S_OK);
  EXPECT_NE(json.find("\"namespaces\": {\"psf\": \"" + std::string(kPsf) + "\", "), std::string::npos) << json;
  EXPECT_NE(json.find("{\"element\": \"ParameterInit\", \"name\": \"psk:JobCopiesAllDocuments\", \"value\": \"2\", "
                      "\"children\": []}"),
            std::string::npos)
      << json;
  Bstr message;
  EXPECT_EQ(DescribePrintSchemaDocument("<a", true, &json, message.Put()), E_PRINTTICKET_FORMAT);
  EXPECT_FALSE(message.Empty());
}

TEST_F(TicketDevMode, DescribesAsTextAndJson) {
  PDEVMODE block = nullptr;
  ULONG size = 0;
  ASSERT_EQ(PTConvertPrintTicketToDevMode(provider_, StreamOf(Ticket(Feature("psk:PageMediaSize", "psk:ISOA4"))).Get(),
                                          kUserDefaultDevmode, kPTJobScope, &size, &block, nullptr),
            S_OK);
  const std::string text = DescribeDevMode(block, size, false);
  const std::string json = DescribeDevMode(block, size, true);
  const std::string public_only = DescribeDevMode(block, sizeof(DEVMODEW), true);
  const std::string too_short = DescribeDevMode(block, sizeof(DEVMODEW) - 1, false);
  PTReleaseMemory(block);
  EXPECT_NE(text.find("dmDeviceName: Kestrel InkJet MFP\n"), std::string::npos) << text;
  EXPECT_NE(text.find("dmPaperSize: 9\n"), std::string::npos) << text;
  EXPECT_NE(text.find("dmFormName: A4\n"), std::string::npos) << text;
  EXPECT_NE(text.find("private.mediaWidth: 210000\n"), std::string::npos) << text;
  EXPECT_TRUE(json.starts_with("{\"dmDeviceName\": \"Kestrel InkJet MFP\", ")) << json;
  EXPECT_NE(json.find("\"dmPaperSize\": 9, "), std::string::npos) << json;
  EXPECT_NE(json.find(", \"private\": {\"version\": 1, \"mediaWidth\": 210000, "), std::string::npos) << json;
  EXPECT_EQ(public_only.find("private"), std::string::npos);
  EXPECT_TRUE(too_short.empty());
}

}  // namespace
}  // namespace ticket_test
