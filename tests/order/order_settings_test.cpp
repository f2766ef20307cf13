// How binding and duplex choices make (or unmake) a booklet, and what the
// order filter keeps from a ticket.
#include "filters/order/order_settings.h"

#include <gtest/gtest.h>

#include "ticket/print_schema_namespaces.h"
#include "ticket/ticket_documents.h"

namespace {

using namespace ticket_test;

TEST(ResolveBookletDuplex, ABookletSurvivesOnlyShortEdgeOrNoDuplexChoice) {
  using Edge = BindingEdge;
  using Type = DuplexType;
  using Mode = DuplexMode;
  using Booklet = BookletMode;
  struct Case {
    const char* label;
    Scope bindingScope;
    Edge edge;
    Scope duplexScope;
    Type duplexType;
    Mode duplexMode;
    HRESULT hr;
    Booklet bookletMode;
    Edge resolvedEdge;
    Mode resolvedDuplexMode;
    Type duplexTypeAfter;
    OffOn gutterControlAfter;
  };
  const Case cases[] = {
      {"job booklet, no duplex: short edge implied", Scope::Job, Edge::Booklet, Scope::None, Type::OneSided, Mode::None,
       S_OK, Booklet::WholeJob, Edge::Booklet, Mode::None, Type::ShortEdge, OffOn::On},
      {"job booklet, short edge manual", Scope::Job, Edge::BookletReverseFlip, Scope::Job, Type::ShortEdgeManual,
       Mode::Manual, S_OK, Booklet::WholeJob, Edge::BookletReverseFlip, Mode::Manual, Type::ShortEdgeManual, OffOn::On},
      {"job booklet, one-sided", Scope::Job, Edge::Booklet, Scope::Job, Type::OneSided, Mode::None, S_OK, Booklet::None,
       Edge::BindLeft, Mode::None, Type::OneSided, OffOn::Off},
      {"job booklet, long edge automatic", Scope::Job, Edge::BookletReverseFlip, Scope::Job, Type::LongEdge,
       Mode::Automatic, S_OK, Booklet::None, Edge::BindLeft, Mode::Automatic, Type::LongEdge, OffOn::Off},
      {"job booklet, long edge manual", Scope::Job, Edge::Booklet, Scope::Job, Type::LongEdgeManual, Mode::Manual, S_OK,
       Booklet::None, Edge::BindLeft, Mode::Manual, Type::LongEdgeManual, OffOn::Off},
      {"document booklet, no duplex", Scope::Document, Edge::Booklet, Scope::None, Type::OneSided, Mode::None, S_OK,
       Booklet::PerDocument, Edge::Booklet, Mode::None, Type::ShortEdge, OffOn::On},
      {"document booklet, document one-sided", Scope::Document, Edge::Booklet, Scope::Document, Type::OneSided,
       Mode::None, S_OK, Booklet::None, Edge::BindLeft, Mode::None, Type::OneSided, OffOn::Off},
      {"job booklet, document duplex", Scope::Job, Edge::Booklet, Scope::Document, Type::ShortEdge, Mode::Automatic,
       E_FAIL, Booklet::None, Edge::BindBottom, Mode::None, Type::ShortEdge, OffOn::On},
      {"document booklet, job duplex", Scope::Document, Edge::Booklet, Scope::Job, Type::OneSided, Mode::None, S_OK,
       Booklet::None, Edge::BindLeft, Mode::None, Type::OneSided, OffOn::Off},
      {"right binding, one-sided", Scope::Job, Edge::BindRight, Scope::Job, Type::OneSided, Mode::None, S_OK,
       Booklet::None, Edge::BindRight, Mode::None, Type::OneSided, OffOn::On},
      {"no binding, no duplex", Scope::None, Edge::BindLeft, Scope::None, Type::OneSided, Mode::None, S_OK,
       Booklet::None, Edge::BindLeft, Mode::None, Type::OneSided, OffOn::On},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    BindingSettings binding;
    binding.scope = c.bindingScope;
    binding.bindingEdge = c.edge;
    binding.gutterControl = OffOn::On;
    DuplexSettings duplex;
    duplex.scope = c.duplexScope;
    duplex.duplexType = c.duplexType;
    duplex.duplexMode = c.duplexMode;
    constexpr auto kUnset = static_cast<Booklet>(-7);
    ResolvedBooklet resolved{kUnset, static_cast<Edge>(-7), static_cast<Mode>(-7)};
    EXPECT_EQ(ResolveBookletDuplex(binding, duplex, &resolved), c.hr);
    EXPECT_EQ(duplex.duplexType, c.duplexTypeAfter);
    EXPECT_EQ(binding.gutterControl, c.gutterControlAfter);
    if (FAILED(c.hr)) {
      EXPECT_EQ(resolved.bookletMode, kUnset) << "no outputs after a failure";
      continue;
    }
    EXPECT_EQ(resolved.bookletMode, c.bookletMode);
    EXPECT_EQ(resolved.bindingEdge, c.resolvedEdge);
    EXPECT_EQ(resolved.duplexMode, c.resolvedDuplexMode);
  }
}

TEST(ReadOrderSettings, KeepsTheSettingsWhenTheTicketCannotBeRead) {
  const OrderSettings before{BookletMode::WholeJob, BindingEdge::BookletReverseFlip, BookletMethod::DivideIntoSets, 3,
                             DuplexMode::Manual};
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
  EXPECT_EQ(settings.bookletMode, BookletMode::None);
  EXPECT_EQ(settings.bindingEdge, BindingEdge::BindLeft);
  EXPECT_EQ(settings.bookletSheets, 10);
}

}  // namespace
