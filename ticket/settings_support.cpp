#include "ticket/settings_support.h"

#include <algorithm>

std::optional<LONG> IndexIn(OptionTable table, std::u16string_view name) {
  const auto found = std::find(table.begin(), table.end(), name);
  if (found == table.end()) return std::nullopt;
  return static_cast<LONG>(found - table.begin());
}

std::u16string PrivatePropertyQuery(const PrintTicketDom& ticket, std::initializer_list<std::u16string_view> names) {
  XPathQuery query = ticket.NewQuery();
  for (std::u16string_view name : names) ThrowIfFailed(query.AppendProperty(ticket.PrivatePrefix(), name));
  return std::u16string(query.Text());
}

ComPtr<IXMLDOMNode> RootForWriting(const PrintTicketDom& ticket) {
  ComPtr<IXMLDOMNode> root;
  ThrowIfFailed(ticket.SelectRoot(&root));
  return root;
}

void AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child) { ThrowIfFailed(parent->appendChild(child, nullptr)); }

ComPtr<IXMLDOMElement> FeatureWithNamedOption(PrintTicketDom& ticket, std::u16string_view prefix,
                                              std::u16string_view name, std::u16string_view optionPrefix,
                                              std::u16string_view option) {
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> optionElement;
  ThrowIfFailed(ticket.CreateFeatureElement(prefix, name, &feature));
  ThrowIfFailed(ticket.CreateOption(optionPrefix, option, &optionElement));
  AppendChild(feature.Get(), optionElement.Get());
  return feature;
}

ComPtr<IXMLDOMElement> PrivateStringProperties(
    PrintTicketDom& ticket, std::u16string_view name,
    std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> items) {
  ComPtr<IXMLDOMElement> property;
  ThrowIfFailed(ticket.CreateProperty(ticket.PrivatePrefix(), name, &property));
  for (const auto& [item, text] : items) {
    ComPtr<IXMLDOMElement> child;
    ThrowIfFailed(ticket.CreatePropertyValue(ticket.PrivatePrefix(), item, u"string", text, &child));
    AppendChild(property.Get(), child.Get());
  }
  return property;
}

std::optional<Bstr> PrivateText(const PrintTicketDom& ticket, std::initializer_list<std::u16string_view> names) {
  Bstr text;
  const HRESULT hr = ticket.GetValue(PrivatePropertyQuery(ticket, names), &text);
  if (IsAbsent(hr)) return std::nullopt;
  ThrowIfFailed(hr);
  return text;
}
