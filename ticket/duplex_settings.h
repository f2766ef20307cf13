// Duplex printing: the keywords feature JobDuplexAllDocumentsContiguously
// (with its DuplexMode scored property) and the private property JobDuplexData.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

enum class DuplexMode : LONG { None, Automatic, Manual };  // None: no mode given
inline constexpr std::array<std::u16string_view, 3> kDuplexModeNames = {u"None", u"Automatic", u"Manual"};
constexpr std::optional<std::u16string_view> Name(DuplexMode mode) { return TableName(kDuplexModeNames, mode); }

// The rows of kDuplexOptions: an option with the mode it was given, if any.
enum class DuplexType : LONG { OneSided, ShortEdge, ShortEdgeManual, LongEdge, LongEdgeManual };

struct DuplexOption {
  std::u16string_view option;  // a keywords option
  DuplexMode mode;
};

inline constexpr std::array<DuplexOption, 5> kDuplexOptions = {{
    {u"OneSided", DuplexMode::None},
    {u"TwoSidedShortEdge", DuplexMode::Automatic},
    {u"TwoSidedShortEdge", DuplexMode::Manual},
    {u"TwoSidedLongEdge", DuplexMode::Automatic},
    {u"TwoSidedLongEdge", DuplexMode::Manual},
}};
// The keywords option of the type's row.
constexpr std::optional<std::u16string_view> Name(DuplexType type) {
  const LONG row = Index(type);
  if (row < 0 || static_cast<std::size_t>(row) >= kDuplexOptions.size()) return std::nullopt;
  return kDuplexOptions[static_cast<std::size_t>(row)].option;
}

// FirstPaper: the job's tray separation covers the whole first sheet.
enum class TraySeparation : LONG { DuplexPrintFirstPage, DuplexPrintFirstPaper };
inline constexpr std::array<std::u16string_view, 2> kTraySeparationNames = {u"DuplexPrintFirstPage",
                                                                            u"DuplexPrintFirstPaper"};
constexpr std::optional<std::u16string_view> Name(TraySeparation separation) {
  return TableName(kTraySeparationNames, separation);
}

struct DuplexSettings {
  Scope scope = Scope::None;  // readers set Scope::Job only
  DuplexType duplexType = DuplexType::OneSided;
  DuplexMode duplexMode = DuplexMode::None;
  TraySeparation firstPaper = TraySeparation::DuplexPrintFirstPage;
  DuplexMode subMode = DuplexMode::None;  // from DuplexModeSubData
};

// Fills what the ticket says and keeps the rest; only the job-scope feature is consulted.
HRESULT ReadDuplex(const PrintTicketDom& ticket, DuplexSettings& settings);
// E_INVALIDARG (ticket untouched) for a field outside its range; S_FALSE without a root element.
HRESULT WriteDuplex(PrintTicketDom& ticket, const DuplexSettings& settings);
// Removes both duplex features and JobDuplexData.
HRESULT RemoveDuplex(PrintTicketDom& ticket);
