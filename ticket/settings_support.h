// What the settings readers and writers share: option tables, the queries of
// private properties, the root a writer appends to, and the handling of
// absent items. Inside a CallReturningHresult boundary: these throw HResultError.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "ticket/hresult_error.h"
#include "ticket/print_ticket_dom.h"

using OptionTable = std::span<const std::u16string_view>;

inline bool IsAbsent(HRESULT hr) { return hr == kTicketItemNotFound; }

// Position of name in table (case-sensitive), or nullopt.
std::optional<LONG> IndexIn(OptionTable table, std::u16string_view name);

// Private properties nested one in the other, outermost first.
std::u16string PrivatePropertyQuery(const PrintTicketDom& ticket, std::initializer_list<std::u16string_view> names);

// The root element a writer appends to; NULL when the document has none.
ComPtr<IXMLDOMNode> RootForWriting(const PrintTicketDom& ticket);

void AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child);

// A Feature prefix + name holding one Option optionPrefix + option.
ComPtr<IXMLDOMElement> FeatureWithNamedOption(PrintTicketDom& ticket, std::u16string_view prefix,
                                              std::u16string_view name, std::u16string_view optionPrefix,
                                              std::u16string_view option);

// A private Property holding string sub-properties, in order.
ComPtr<IXMLDOMElement> PrivateStringProperties(
    PrintTicketDom& ticket, std::u16string_view name,
    std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> items);

// The text of a private property path, read with GetValue: the value, or
// nullopt when absent; other failures are thrown.
std::optional<Bstr> PrivateText(const PrintTicketDom& ticket, std::initializer_list<std::u16string_view> names);
