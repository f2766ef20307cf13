// Binding and booklets: the keywords feature JobBindAllDocuments (or
// DocumentBinding) with its gutter parameter, private sub-features and the
// private booklet-sheets parameter.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

enum class BindingEdge : LONG { BindBottom, BindLeft, BindRight, BindTop, Booklet, BookletReverseFlip };
// The last is a private option, the others keywords options.
inline constexpr std::array<std::u16string_view, 6> kBindingEdgeOptions = {
    u"BindBottom", u"BindLeft", u"BindRight", u"BindTop", u"Booklet", u"BookletReverseFlip"};
constexpr std::optional<std::u16string_view> Name(BindingEdge edge) { return TableName(kBindingEdgeOptions, edge); }
constexpr bool IsBookletEdge(BindingEdge edge) {
  return edge == BindingEdge::Booklet || edge == BindingEdge::BookletReverseFlip;
}

enum class BindingUnit : LONG { Microns, Inches };
inline constexpr std::array<std::u16string_view, 2> kBindingUnitNames = {u"microns", u"inches"};
constexpr std::optional<std::u16string_view> Name(BindingUnit unit) { return TableName(kBindingUnitNames, unit); }

enum class BookletMethod : LONG { AllPagesAtOnce, DivideIntoSets };
inline constexpr std::array<std::u16string_view, 2> kBookletMethodNames = {u"AllPagesAtOnce", u"DivideIntoSets"};
constexpr std::optional<std::u16string_view> Name(BookletMethod method) {
  return TableName(kBookletMethodNames, method);
}

// Rows: Scope::Job, Scope::Document.
inline constexpr std::array<std::u16string_view, 2> kBindingFeatures = {u"JobBindAllDocuments", u"DocumentBinding"};
inline constexpr std::array<std::u16string_view, 2> kBindingGutterParameters = {u"JobBindAllDocumentsGutter",
                                                                                u"DocumentBindingGutter"};
inline constexpr std::array<std::u16string_view, 2> kBookletSheetsParameters = {u"JobBindBookletDivideSheets",
                                                                                u"DocumentBindBookletDivideSheets"};

struct BindingSettings {
  Scope scope = Scope::None;
  BindingEdge bindingEdge = BindingEdge::BindLeft;
  LONG gutter = 0;          // microns, whatever the unit
  OffOn gutterControl = OffOn::Off;
  BindingUnit unit = BindingUnit::Microns;  // the unit the user sees
  LONG dependOnDuplex = 1;  // 0 only when DependOnDuplex says "False"
  OffOn optionControl = OffOn::On;
  BookletMethod bookletMethod = BookletMethod::AllPagesAtOnce;
  LONG bookletSheets = 10;  // sheets per booklet set
};

// Fills what the job-scope feature says. The result is that of reading
// BindingOptionControl; an earlier real failure stops the steps before it.
HRESULT ReadBinding(const PrintTicketDom& ticket, BindingSettings& settings);
// E_INVALIDARG (ticket untouched) for a field outside its range; S_FALSE
// without a root element. Scope::None only removes.
HRESULT WriteBinding(PrintTicketDom& ticket, const BindingSettings& settings);
// Removes both binding features with their gutter and booklet-sheets parameters.
HRESULT RemoveBinding(PrintTicketDom& ticket);
