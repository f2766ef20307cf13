#include "ticket/job_info_settings.h"

#include <span>
#include <variant>

#include "ticket/common_options.h"
#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"
#include "ticket/ticket_text.h"

namespace {

// An item and the field it fills: verbatim text, an Off/On switch, or an integer.
using ItemField = std::variant<Bstr JobInfoSettings::*, OffOn JobInfoSettings::*, LONG JobInfoSettings::*,
                               WORD JobInfoSettings::*>;

struct Item {
  std::u16string_view name;
  ItemField field;
};

constexpr Item kJobInfoItems[] = {
    {u"DefaultUserName", &JobInfoSettings::userName},
    {u"ComputerName", &JobInfoSettings::computerName},
    {u"CodePage", &JobInfoSettings::codePage},
};
constexpr Item kJobSettingItems[] = {
    {u"SeparateTrayMode", &JobInfoSettings::separateTrayMode},
    {u"DivideCondition", &JobInfoSettings::divideCondition},
    {u"BandingPortraitFlag", &JobInfoSettings::bandingPortraitFlag},
    {u"BandingPortraitSize", &JobInfoSettings::bandingPortraitSize},
    {u"BandingLandscapeFlag", &JobInfoSettings::bandingLandscapeFlag},
    {u"BandingLandscapeSize", &JobInfoSettings::bandingLandscapeSize},
};
constexpr Item kSecretFunctionItems[] = {
    {u"HalftoneReduction", &JobInfoSettings::halftoneReduction},
    {u"DraftMode", &JobInfoSettings::draftMode},
};

struct Group {
  std::u16string_view name;
  std::span<const Item> items;
};

// In reading and writing order; the last group gives the reader's result.
constexpr Group kGroups[] = {
    {u"JobInfoData", kJobInfoItems},
    {u"JobSettingData", kJobSettingItems},
    {u"JobSecretFunctionData", kSecretFunctionItems},
};

// One item, looked up by its name anywhere in the ticket.
HRESULT ReadItem(const PrintTicketDom& ticket, const Item& item, JobInfoSettings& settings) {
  const std::u16string query = PrivatePropertyQuery(ticket, {item.name});
  const auto* onOff = std::get_if<OffOn JobInfoSettings::*>(&item.field);
  if (onOff || std::holds_alternative<Bstr JobInfoSettings::*>(item.field)) {
    Bstr text;
    const HRESULT hr = ticket.GetValue(query, &text);
    if (hr != S_OK) return hr;
    if (!onOff) {
      settings.*std::get<Bstr JobInfoSettings::*>(item.field) = std::move(text);
    } else if (const auto value = FromName<OffOn>(kOffOnNames, text.View())) {
      settings.**onOff = *value;
    }
    return S_OK;
  }
  LONG value = 0;
  const HRESULT hr = ticket.GetValueInt(query, &value);
  if (hr != S_OK) return hr;
  if (const auto* wide = std::get_if<LONG JobInfoSettings::*>(&item.field))
    settings.**wide = value;
  else
    settings.*std::get<WORD JobInfoSettings::*>(item.field) = static_cast<WORD>(value);  // the low 16 bits
  return S_OK;
}

HRESULT ReadGroup(const PrintTicketDom& ticket, const Group& group, JobInfoSettings& settings) {
  HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {group.name}));
  if (FAILED(hr)) return hr;
  for (const Item& item : group.items) {
    hr = ReadItem(ticket, item, settings);
    if (FAILED(hr) && !IsAbsent(hr)) return hr;
  }
  return S_OK;
}

ComPtr<IXMLDOMElement> ItemElement(PrintTicketDom& ticket, const Item& item, const JobInfoSettings& settings) {
  ComPtr<IXMLDOMElement> element;
  const std::u16string_view prefix = ticket.PrivatePrefix();
  if (const auto* onOff = std::get_if<OffOn JobInfoSettings::*>(&item.field)) {
    const bool on = settings.**onOff != OffOn::Off;
    ThrowIfFailed(ticket.CreatePropertyValue(prefix, item.name, u"string", kOffOnNames[on ? 1 : 0], &element));
  } else if (const auto* text = std::get_if<Bstr JobInfoSettings::*>(&item.field)) {
    ThrowIfFailed(ticket.CreatePropertyValue(prefix, item.name, u"string", (settings.**text).View(), &element));
  } else if (const auto* wide = std::get_if<LONG JobInfoSettings::*>(&item.field)) {
    ThrowIfFailed(ticket.CreatePropertyInt(prefix, item.name, settings.**wide, &element));
  } else {
    const LONG value = settings.*std::get<WORD JobInfoSettings::*>(item.field);
    ThrowIfFailed(ticket.CreatePropertyInt(prefix, item.name, value, &element));
  }
  return element;
}

}  // namespace

HRESULT ReadJobInfo(const PrintTicketDom& ticket, JobInfoSettings& settings) {
  return CallReturningHresult([&] {
    HRESULT hr = S_OK;
    for (const Group& group : kGroups) hr = ReadGroup(ticket, group, settings);
    return IsAbsent(hr) ? S_OK : hr;
  });
}

HRESULT RemoveJobInfo(PrintTicketDom& ticket) {
  HRESULT hr = S_OK;
  for (const Group& group : kGroups) {
    hr = ticket.RemoveEveryProperty(group.name);
    if (FAILED(hr)) return hr;
  }
  return hr;
}

HRESULT WriteJobInfo(PrintTicketDom& ticket, const JobInfoSettings& settings) {
  return CallReturningHresult([&] {
    const ComPtr<IXMLDOMNode> root = RootForWriting(ticket);
    if (!root) return S_FALSE;
    ThrowIfFailed(RemoveJobInfo(ticket));
    for (const Group& group : kGroups) {
      ComPtr<IXMLDOMElement> property;
      ThrowIfFailed(ticket.CreateProperty(ticket.PrivatePrefix(), group.name, &property));
      for (const Item& item : group.items) AppendChild(property.Get(), ItemElement(ticket, item, settings).Get());
      AppendChild(root.Get(), property.Get());
    }
    return S_OK;
  });
}
