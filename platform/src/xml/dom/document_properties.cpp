// setProperty: the selection language (XPath only) and the prefixes queries may use.
#include <string_view>

#include "document.h"
#include "text.h"

namespace xmldom {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

// "xmlns:p='uri' xmlns:q=\"uri2\"": each binding a prefix and a non-empty URI
// in single or double quotes; nullopt for anything else.
std::optional<std::vector<NamespaceBinding>> ParseBindings(std::string_view text) {
  constexpr std::string_view kLead = "xmlns:";
  std::vector<NamespaceBinding> bindings;
  for (text = SkipBlanks(text); !text.empty(); text = SkipBlanks(text)) {
    if (!text.starts_with(kLead)) return std::nullopt;
    text.remove_prefix(kLead.size());
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals + 1 >= text.size()) return std::nullopt;
    std::string prefix(text.substr(0, equals));
    const char quote = text[equals + 1];
    if ((quote != '\'' && quote != '"') || xmlValidateNCName(AsXmlChar(prefix), 0) != 0) return std::nullopt;
    text.remove_prefix(equals + 2);
    const std::size_t end = text.find(quote);
    if (end == std::string_view::npos || end == 0) return std::nullopt;
    bindings.push_back({std::move(prefix), std::string(text.substr(0, end))});
    text.remove_prefix(end + 1);
    if (!text.empty() && !IsBlank(text.front())) return std::nullopt;
  }
  return bindings;
}

}  // namespace

HRESULT Document::setProperty(BSTR name, VARIANT value) {
  return Guard([&] {
    const std::optional<std::string> property = Utf8FromBstr(name);
    if (!property || value.vt != VT_BSTR) return E_INVALIDARG;
    const std::optional<std::string> text = Utf8FromBstr(value.bstrVal);
    if (!text) return E_INVALIDARG;
    if (*property == "SelectionLanguage") return *text == "XPath" ? S_OK : E_INVALIDARG;
    if (*property != "SelectionNamespaces") return E_INVALIDARG;
    std::optional<std::vector<NamespaceBinding>> bindings = ParseBindings(*text);
    if (!bindings) return E_INVALIDARG;
    selection_namespaces_ = std::move(*bindings);
    return S_OK;
  });
}

}  // namespace xmldom
