// Several pages on one sheet side: the keywords feature
// JobNUpAllDocumentsContiguously (or DocumentNUp) with PagesPerSheet, the
// keywords sub-feature PresentationDirection and the private sub-feature BorderLine.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

// The order of the pages on a sheet side.
enum class NUpDirection : LONG { RightBottom, BottomRight, LeftBottom, BottomLeft };
inline constexpr std::array<std::u16string_view, 4> kPresentationDirectionOptions = {u"RightBottom", u"BottomRight",
                                                                                     u"LeftBottom", u"BottomLeft"};
constexpr std::optional<std::u16string_view> Name(NUpDirection direction) {
  return TableName(kPresentationDirectionOptions, direction);
}

enum class BorderLine : LONG { None, SolidLine, BreakLine };
inline constexpr std::array<std::u16string_view, 3> kBorderLineOptions = {u"None", u"SolidLine", u"BreakLine"};
constexpr std::optional<std::u16string_view> Name(BorderLine line) { return TableName(kBorderLineOptions, line); }

// Rows: Scope::Job, Scope::Document.
inline constexpr std::array<std::u16string_view, 2> kNUpFeatures = {u"JobNUpAllDocumentsContiguously",
                                                                    u"DocumentNUp"};

struct NUpSettings {
  Scope scope = Scope::None;
  LONG pagesPerSheet = 0;
  NUpDirection presentationDirection = NUpDirection::RightBottom;
  BorderLine borderLine = BorderLine::SolidLine;
};

// The settings count (scope Scope::Job) only when the feature, PagesPerSheet
// (at least 1), PresentationDirection and BorderLine are all present; a
// PagesPerSheet below 1 reads as 1. Absent items are no failure.
HRESULT ReadNUp(const PrintTicketDom& ticket, NUpSettings& settings);
// Pages per sheet below 1 only removes. E_INVALIDARG (ticket untouched) for a
// direction or border line outside its table; S_FALSE without a root element.
HRESULT WriteNUp(PrintTicketDom& ticket, const NUpSettings& settings);
// Removes both N-up features.
HRESULT RemoveNUp(PrintTicketDom& ticket);
