// Paper trays: the keywords feature PageInputBin, the private feature
// JobInput2ndBin and the private property PageInputBinData.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/bstr.h"
#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

enum class InputBin : LONG {
  AutoSelect, SameTray, Tray1, Tray2, Tray3, Tray4, TrayID1, TrayID2, TrayID3, TrayID4, Manual, MPTray
};
inline constexpr std::array<std::u16string_view, 12> kInputBinOptions = {
    u"AutoSelect", u"SameTray", u"Tray1",   u"Tray2",   u"Tray3",  u"Tray4",
    u"TrayID1",    u"TrayID2",  u"TrayID3", u"TrayID4", u"Manual", u"MPTray"};
constexpr std::optional<std::u16string_view> Name(InputBin bin) { return TableName(kInputBinOptions, bin); }

enum class BinNamespace : LONG { Keywords, Private };
inline constexpr std::array<std::u16string_view, 2> kBinNamespaceNames = {u"keywords", u"private"};
constexpr std::optional<std::u16string_view> Name(BinNamespace space) { return TableName(kBinNamespaceNames, space); }
// The namespace of each option.
inline constexpr std::array<BinNamespace, 12> kInputBinNamespaces = {
    BinNamespace::Keywords, BinNamespace::Private, BinNamespace::Private, BinNamespace::Private,
    BinNamespace::Private,  BinNamespace::Private, BinNamespace::Private, BinNamespace::Private,
    BinNamespace::Private,  BinNamespace::Private, BinNamespace::Keywords, BinNamespace::Private};
constexpr BinNamespace NamespaceOf(InputBin bin) { return kInputBinNamespaces[static_cast<std::size_t>(Index(bin))]; }

// Slot 0: the page's input bin; slot 1: the job's second bin.
struct InputBinSettings {
  std::array<InputBin, 2> binIndex = {InputBin::AutoSelect, InputBin::SameTray};
  std::array<Bstr, 2> binName = {Bstr(u"AutoSelect"), Bstr(u"SameTray")};
  std::array<BinNamespace, 2> binNamespace = {BinNamespace::Keywords, BinNamespace::Private};  // of the bins
  LONG secondBinInvalid = 0;
};

// Sets index, name and namespace of one slot together. E_FAIL for a slot
// other than 0 and 1 or a bin outside kInputBinOptions.
HRESULT SetInputBinSlot(InputBinSettings& settings, LONG slot, InputBin bin);

// A bin counts only in the namespace the table gives it (psk:Tray1 is no
// tray: the page bin falls back to AutoSelect, the second bin to SameTray).
// The result is that of reading PageInputBinData (S_OK when it is absent).
HRESULT ReadInputBin(const PrintTicketDom& ticket, InputBinSettings& settings);
// Writes the two bins from their indices (the names are not consulted).
// E_INVALIDARG (ticket untouched) for an index outside the table; S_FALSE
// without a root element.
HRESULT WriteInputBin(PrintTicketDom& ticket, const InputBinSettings& settings);
HRESULT RemoveInputBin(PrintTicketDom& ticket);
