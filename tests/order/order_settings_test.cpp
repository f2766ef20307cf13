// How binding and duplex choices make (or unmake) a booklet, and what the
// order filter keeps from a ticket.
#include "filters/order/order_settings.h"

#include <gtest/gtest.h>

#include "ticket/print_schema_namespaces.h"
#include "ticket/ticket_documents.h"

namespace {

using namespace ticket_test;

TEST(ResolveBookletDuplex, ABookletSurvivesOnlyShortEdgeOrNoDuplexChoice) {
  struct Case {
    const char* label;
    LONG bindingScope, edge, duplexScope, duplexType, duplexMode;
    HRESULT hr;
    LONG bookletMode, resolvedEdge, resolvedDuplexMode, duplexTypeAfter, gutterControlAfter;
  };
  const Case cases[] = {
      {"job booklet, no duplex: short edge implied", 0, 4, -1, 0, 0, S_OK, kWholeJobBooklet, 4, 0, 1, 1},
      {"job booklet, short edge manual", 0, 5, 0, 2, 2, S_OK, kWholeJobBooklet, 5, 2, 2, 1},
      {"job booklet, one-sided", 0, 4, 0, 0, 0, S_OK, kNoBooklet, kBindLeft, 0, 0, 0},
      {"job booklet, long edge automatic", 0, 5, 0, 3, 1, S_OK, kNoBooklet, kBindLeft, 1, 3, 0},
      {"job booklet, long edge manual", 0, 4, 0, 4, 2, S_OK, kNoBooklet, kBindLeft, 2, 4, 0},
      {"document booklet, no duplex", 1, 4, -1, 0, 0, S_OK, kPerDocumentBooklet, 4, 0, 1, 1},
      {"document booklet, document one-sided", 1, 4, 1, 0, 0, S_OK, kNoBooklet, kBindLeft, 0, 0, 0},
      {"job booklet, document duplex", 0, 4, 1, 1, 1, E_FAIL, kNoBooklet, 0, 0, 1, 1},
      {"document booklet, job duplex", 1, 4, 0, 0, 0, S_OK, kNoBooklet, kBindLeft, 0, 0, 0},
      {"right binding, one-sided", 0, 2, 0, 0, 0, S_OK, kNoBooklet, 2, 0, 0, 1},
      {"no binding, no duplex", -1, 1, -1, 0, 0, S_OK, kNoBooklet, 1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    BindingSettings binding;
    binding.scope = c.bindingScope;
    binding.bindingEdge = c.edge;
    binding.gutterControl = 1;
    DuplexSettings duplex;
    duplex.scope = c.duplexScope;
    duplex.duplexType = c.duplexType;
    duplex.duplexMode = c.duplexMode;
    ResolvedBooklet resolved{-7, -7, -7};
    EXPECT_EQ(ResolveBookletDuplex(binding, duplex, &resolved), c.hr);
    EXPECT_EQ(duplex.duplexType, c.duplexTypeAfter);
    EXPECT_EQ(binding.gutterControl, c.gutterControlAfter);
    if (FAILED(c.hr)) {
      EXPECT_EQ(resolved.bookletMode, -7) << "no outputs after a failure";
      continue;
    }
    EXPECT_EQ(resolved.bookletMode, c.bookletMode);
    EXPECT_EQ(resolved.bindingEdge, c.resolvedEdge);
    EXPECT_EQ(resolved.duplexMode, c.resolvedDuplexMode);
  }
}

TEST(ReadOrderSettings, KeepsTheSettingsWhenTheTicketCannotBeRead) {
  const OrderSettings before{kWholeJobBooklet, 5, kDivideIntoSets, 3, 2};
  OrderSettings settings = before;
  const ComPtr<IXMLDOMDocument2> capabilities = LoadXml(TicketXml("", kDeclarations, "PrintCapabilities"));
  EXPECT_EQ(ReadOrderSettings(capabilities.Get(), PRIVATE_KEYWORDS_NS, settings), E_FAIL);
  EXPECT_EQ(ReadOrderSettings(nullptr, PRIVATE_KEYWORDS_NS, settings), E_PENDING);
  EXPECT_EQ(settings.bookletMode, before.bookletMode);
  EXPECT_EQ(settings.bindingEdge, before.bindingEdge);
  EXPECT_EQ(settings.bookletMethod, before.bookletMethod);
  EXPECT_EQ(settings.bookletSheets, before.bookletSheets);
  EXPECT_EQ(settings.duplexMode, before.duplexMode);

  // A ticket without binding or duplex ends the booklet.
  const ComPtr<IXMLDOMDocument2> plain = LoadXml(TicketXml(""));
  EXPECT_EQ(ReadOrderSettings(plain.Get(), PRIVATE_KEYWORDS_NS, settings), S_OK);
  EXPECT_EQ(settings.bookletMode, kNoBooklet);
  EXPECT_EQ(settings.bindingEdge, 1);
  EXPECT_EQ(settings.bookletSheets, 10);
}

}  // namespace
