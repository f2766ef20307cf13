// Paper trays: the keywords feature PageInputBin, the private feature
// JobInput2ndBin and the private property PageInputBinData.
#pragma once

#include <array>
#include <string_view>

#include "platform/bstr.h"
#include "ticket/print_ticket_dom.h"

inline constexpr std::array<std::u16string_view, 12> kInputBinOptions = {
    u"AutoSelect", u"SameTray", u"Tray1",   u"Tray2",   u"Tray3",  u"Tray4",
    u"TrayID1",    u"TrayID2",  u"TrayID3", u"TrayID4", u"Manual", u"MPTray"};
// The namespace of each option: 0 keywords, 1 private.
inline constexpr std::array<LONG, 12> kInputBinNamespaces = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1};
inline constexpr std::array<std::u16string_view, 2> kBinNamespaceNames = {u"keywords", u"private"};

// Slot 0: the page's input bin; slot 1: the job's second bin.
struct InputBinSettings {
  std::array<LONG, 2> binIndex = {0, 1};  // indices into kInputBinOptions
  std::array<Bstr, 2> binName = {Bstr(u"AutoSelect"), Bstr(u"SameTray")};
  std::array<LONG, 2> binNamespace = {0, 1};  // kInputBinNamespaces of the indices
  LONG secondBinInvalid = 0;
};

// Sets index, name and namespace of one slot together. E_FAIL for a slot
// other than 0 and 1 or an index outside kInputBinOptions.
HRESULT SetInputBinSlot(InputBinSettings& settings, LONG slot, LONG index);

// A bin counts only in the namespace the table gives it (psk:Tray1 is no
// tray: the page bin falls back to AutoSelect, the second bin to SameTray).
// The result is that of reading PageInputBinData (S_OK when it is absent).
HRESULT ReadInputBin(const PrintTicketDom& ticket, InputBinSettings& settings);
// Writes the two bins from their indices (the names are not consulted).
// E_INVALIDARG (ticket untouched) for an index outside the table; S_FALSE
// without a root element.
HRESULT WriteInputBin(PrintTicketDom& ticket, const InputBinSettings& settings);
HRESULT RemoveInputBin(PrintTicketDom& ticket);
