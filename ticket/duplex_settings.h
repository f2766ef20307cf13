// Duplex printing: the keywords feature JobDuplexAllDocumentsContiguously
// (with its DuplexMode scored property) and the private property JobDuplexData.
#pragma once

#include <array>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

struct DuplexOption {
  std::u16string_view option;  // a keywords option
  LONG mode;                   // index into kDuplexModeNames
};

// Indexed by DuplexSettings::duplexType.
inline constexpr std::array<DuplexOption, 5> kDuplexOptions = {{
    {u"OneSided", 0},
    {u"TwoSidedShortEdge", 1},
    {u"TwoSidedShortEdge", 2},
    {u"TwoSidedLongEdge", 1},
    {u"TwoSidedLongEdge", 2},
}};
// Index 0: no mode given.
inline constexpr std::array<std::u16string_view, 3> kDuplexModeNames = {u"None", u"Automatic", u"Manual"};
// Indexed by DuplexSettings::firstPaper.
inline constexpr std::array<std::u16string_view, 2> kTraySeparationNames = {u"DuplexPrintFirstPage",
                                                                            u"DuplexPrintFirstPaper"};

struct DuplexSettings {
  LONG scope = kScopeNone;  // readers set kScopeJob only
  LONG duplexType = 0;      // index into kDuplexOptions
  LONG duplexMode = 0;      // index into kDuplexModeNames
  LONG firstPaper = 0;      // the job's tray separation covers the whole first sheet
  LONG subMode = 0;         // index into kDuplexModeNames, from DuplexModeSubData
};

// Fills what the ticket says and keeps the rest; only the job-scope feature is consulted.
HRESULT ReadDuplex(const PrintTicketDom& ticket, DuplexSettings& settings);
// E_INVALIDARG (ticket untouched) for a field outside its range; S_FALSE without a root element.
HRESULT WriteDuplex(PrintTicketDom& ticket, const DuplexSettings& settings);
// Removes both duplex features and JobDuplexData.
HRESULT RemoveDuplex(PrintTicketDom& ticket);
