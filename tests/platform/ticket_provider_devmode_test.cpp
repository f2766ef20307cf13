#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>

#include "ticket_provider_fixture.h"

namespace ticket_test {
namespace {

using TicketDevMode = ProviderTest;

TEST_F(TicketDevMode, UnofferedOptionsAndOutOfScopeItemsGiveTheDefaults) {
  const std::string ticket = Ticket(Feature("psk:PageMediaSize", "psk:Bogus") + IntegerInit("psk:JobCopiesAllDocuments", "5") +
                                    Feature("psk:DocumentDuplex", "psk:TwoSidedShortEdge"));
  struct Case {
    EPrintTicketScope scope;
    SHORT copies, duplex;
  };
  for (const Case& k : {Case{kPTJobScope, 5, DMDUP_HORIZONTAL}, Case{kPTDocumentScope, 1, DMDUP_HORIZONTAL},
                        Case{kPTPageScope, 1, DMDUP_SIMPLEX}}) {
    const Converted c = DevMode(ticket, k.scope);
    ASSERT_EQ(c.hr, S_OK) << c.message;
    EXPECT_EQ(c.devmode.dmPaperSize, 1) << k.scope;  // Letter
    EXPECT_EQ(c.devmode.dmCopies, k.copies) << k.scope;
    EXPECT_EQ(c.devmode.dmDuplex, k.duplex) << k.scope;
  }
}

TEST_F(TicketDevMode, CorpusTicketConverts) {
  if (!std::filesystem::exists(kTickets)) GTEST_SKIP() << "no corpus at " << kTickets;
  const Converted c = DevMode(ReadFile(kTickets / "mb09-job.xml"));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  EXPECT_EQ(c.devmode.dmPaperSize, 1);
  EXPECT_EQ(c.devmode.dmPrintQuality, 600);
  EXPECT_EQ(c.devmode.dmCopies, 1);
  EXPECT_EQ(c.devmode.dmDefaultSource, 7);  // from JobInputBin
}

TEST_F(TicketDevMode, FailuresLeaveNoBlock) {
  ULONG size = 7;
  PDEVMODE block = reinterpret_cast<PDEVMODE>(&size);
  Bstr message;
  EXPECT_EQ(PTConvertPrintTicketToDevMode(provider_, StreamOf("<broken").Get(), kUserDefaultDevmode, kPTJobScope, &size,
                                          &block, message.Put()),
            E_PRINTTICKET_FORMAT);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(message.Empty());
  EXPECT_EQ(PTConvertPrintTicketToDevMode(provider_, StreamOf(Ticket("")).Get(), static_cast<EDefaultDevmodeType>(2),
                                          kPTJobScope, &size, &block, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(PTConvertPrintTicketToDevMode(provider_, nullptr, kUserDefaultDevmode, kPTJobScope, &size, &block, nullptr),
            E_POINTER);
  EXPECT_EQ(PTConvertPrintTicketToDevMode(provider_, StreamOf(Ticket("")).Get(), kUserDefaultDevmode, kPTJobScope,
                                          nullptr, &block, nullptr),
            E_POINTER);
  EXPECT_EQ(PTReleaseMemory(nullptr), S_OK);
}

TEST_F(TicketDevMode, WithoutAnExtensionTheBlockIsThePublicPart) {
  const Converted c = DevMode(Ticket(Feature("psk:PageMediaSize", "psk:ISOA4")));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  EXPECT_EQ(c.size, sizeof(DEVMODEW));
  EXPECT_EQ(c.devmode.dmDriverVersion, 0);
  EXPECT_EQ(c.devmode.dmDriverExtra, 0);
  EXPECT_EQ(c.devmode.dmPaperSize, 9);
}

PrintSchemaName Psk(const char* local) { return {kPsk, local}; }
PrintSchemaName Kp(const char* local) { return {kPrivateKeywordsNamespaceUtf8, local}; }

// What a driver's fill_private saw of the ticket.
struct ViewAnswers {
  std::size_t block_size = 0;
  bool handed_zeroed = false;
  TicketPageGeometry page;
  std::optional<PrintSchemaName> media, binding, header_footer, undescribed;
  bool carries_document_binding = false, carries_job_binding = true;
  std::optional<std::int32_t> gutter, pages_per_sheet;
  std::optional<std::string> nested, nested_from_the_top;
};

// The reference printer with a driver extension that records what it sees.
class TicketDevModeExtension : public ProviderTest {
 protected:
  TicketDevModeExtension() {
    devmode_extension_ = {0x0203, 6, [this](const PrintTicketView& t, std::span<BYTE> block) {
                            if (fail_) fail_();
                            seen_.block_size = block.size();
                            seen_.handed_zeroed = std::ranges::all_of(block, [](BYTE b) { return b == 0; });
                            seen_.page = t.PageGeometry();
                            seen_.media = t.SelectedOption(Psk("PageMediaSize"));
                            seen_.binding = t.SelectedOption(Psk("JobBindAllDocuments"), {Psk("DocumentBinding")});
                            seen_.carries_document_binding = t.CarriesOption(Psk("DocumentBinding"));
                            seen_.carries_job_binding = t.CarriesOption(Psk("JobBindAllDocuments"));
                            seen_.gutter = t.ScoredValue(Psk("DocumentBinding"), Psk("BindingGutter"));
                            seen_.pages_per_sheet = t.SelectedScoredValue(Psk("JobNUpAllDocumentsContiguously"),
                                                                          Psk("PagesPerSheet"));
                            seen_.header_footer = t.OptionName(Kp("PageHeaderFooter"));
                            seen_.undescribed = t.SelectedOption(Kp("NotDescribed"));
                            seen_.nested = t.PropertyValue({Kp("Outer"), Kp("Inner")});
                            seen_.nested_from_the_top = t.PropertyValue({Kp("Inner")});
                            block.front() = 0x4B;
                            block.back() = 0x4C;
                          }};
  }

  ViewAnswers seen_;
  std::function<void()> fail_;
};

TEST_F(TicketDevModeExtension, AppendsTheDriversBlockFilledFromTheView) {
  const Converted c = DevMode(Ticket(
      Feature("psk:PageMediaSize", "psk:ISOA4") + Feature("psk:PageOrientation", "psk:Landscape") +
      Feature("psk:DocumentBinding", "psk:BindLeft", Scored("psk:BindingGutter", 5000)) +
      "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>" + Scored("psk:PagesPerSheet", 4) +
      "</psf:Option></psf:Feature>" + Feature("kp:PageHeaderFooter", "kp:On") +
      "<psf:Property name=\"kp:Outer\"><psf:Property name=\"kp:Inner\"><psf:Value xsi:type=\"xsd:string\"> In "
      "</psf:Value></psf:Property></psf:Property>"));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  EXPECT_EQ(c.size, sizeof(DEVMODEW) + 6);
  EXPECT_EQ(c.devmode.dmDriverVersion, 0x0203);
  EXPECT_EQ(c.devmode.dmDriverExtra, 6);
  EXPECT_EQ(c.driver_extra, (std::vector<BYTE>{0x4B, 0, 0, 0, 0, 0x4C}));
  EXPECT_EQ(seen_.block_size, 6u);
  EXPECT_TRUE(seen_.handed_zeroed);

  const TicketPageGeometry& page = seen_.page;
  EXPECT_EQ(page.media_width, 210000);
  EXPECT_EQ(page.media_height, 297000);
  EXPECT_EQ(page.orientation, PrintOrientation::kLandscape);
  EXPECT_EQ(page.imageable_origin_width, 4233);
  EXPECT_EQ(page.imageable_origin_height, 4233);
  EXPECT_EQ(page.imageable_extent_width, 297000 - 2 * 4233);
  EXPECT_EQ(page.imageable_extent_height, 210000 - 2 * 4233);

  EXPECT_EQ(seen_.media, Psk("ISOA4"));
  EXPECT_EQ(seen_.binding, Psk("BindLeft"));
  EXPECT_TRUE(seen_.carries_document_binding);
  EXPECT_FALSE(seen_.carries_job_binding);
  EXPECT_EQ(seen_.gutter, 5000);
  EXPECT_EQ(seen_.pages_per_sheet, 4);
  EXPECT_EQ(seen_.header_footer, Kp("On"));
  EXPECT_EQ(seen_.undescribed, std::nullopt);
  EXPECT_EQ(seen_.nested, "In");
  EXPECT_EQ(seen_.nested_from_the_top, std::nullopt);
}

TEST_F(TicketDevModeExtension, AFailingFillFailsTheConversion) {
  struct Case {
    const char* name;
    std::function<void()> fail;
    HRESULT hr;
  };
  const Case cases[] = {
      {"any exception", [] { throw std::runtime_error("driver"); }, E_FAIL},
      {"out of memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    fail_ = k.fail;
    const Converted c = DevMode(Ticket(""));
    EXPECT_EQ(c.hr, k.hr);
    EXPECT_EQ(c.size, 0u);
    EXPECT_TRUE(c.driver_extra.empty());
    EXPECT_FALSE(c.message.empty());
  }
}

}  // namespace
}  // namespace ticket_test
