// Mirror and reverse printing: the keywords feature PageMirrorImage and the
// private feature PageReverseImage.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

enum class Mirror : LONG { MirrorImageWidth, MirrorImageHeight, None };
inline constexpr std::array<std::u16string_view, 3> kMirrorOptions = {u"MirrorImageWidth", u"MirrorImageHeight",
                                                                      u"None"};
constexpr std::optional<std::u16string_view> Name(Mirror mirror) { return TableName(kMirrorOptions, mirror); }

struct MirrorSettings {
  Mirror mirror = Mirror::None;
  OffOn reverse = OffOn::Off;  // counts only as a private option
};

// The result is that of reading PageReverseImage (S_OK when it is absent).
HRESULT ReadMirror(const PrintTicketDom& ticket, MirrorSettings& settings);
// Replaces both features. E_INVALIDARG (ticket untouched) for a field outside
// its table; S_FALSE without a root element.
HRESULT WriteMirror(PrintTicketDom& ticket, const MirrorSettings& settings);
