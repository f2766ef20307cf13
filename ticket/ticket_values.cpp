// The value and option readers of PrintTicketDom.
#include <string>

#include "ticket/dom_values.h"
#include "ticket/hresult_error.h"
#include "ticket/print_ticket_dom.h"
#include "ticket/ticket_text.h"

namespace {

// The first child element framework:localName of node, or S_FALSE.
HRESULT FrameworkChild(const PrintTicketDom& dom, IXMLDOMNode* node, std::u16string_view localName,
                       ComPtr<IXMLDOMNode>* child) {
  std::u16string query(dom.FrameworkPrefix());
  query.append(localName);
  return node->selectSingleNode(CopyToBstr(query).Get(), child->Put());
}

// A ParameterInit's value is the text of its Value; a bare ParameterInit
// without one gives its own text. Going through the Value keeps the layout
// white space of a pretty-printed ticket out of the result.
HRESULT InitialiserText(const PrintTicketDom& dom, IXMLDOMNode* initialiser, Bstr* text) {
  ComPtr<IXMLDOMNode> value;
  const HRESULT hr = FrameworkChild(dom, initialiser, u"Value", &value);
  if (FAILED(hr)) return hr;
  return TypedValueText(hr == S_OK ? value.Get() : initialiser, text);
}

// The value of the ParameterInit, anywhere in the document, that reference
// names (case-sensitive); S_FALSE when there is none.
HRESULT ReferencedText(const PrintTicketDom& dom, IXMLDOMNode* reference, Bstr* text) {
  Bstr wanted;
  HRESULT hr = dom.GetAttribute(reference, u"name", &wanted);
  if (hr != S_OK) return hr;
  std::u16string query = u"//";
  query.append(dom.FrameworkPrefix()).append(u"ParameterInit");
  ComPtr<IXMLDOMNodeList> initialisers;
  ThrowIfFailed(dom.SelectAll(query, &initialisers));
  ComPtr<IXMLDOMNode> initialiser;
  while ((hr = initialisers->nextNode(initialiser.Put())) == S_OK) {
    Bstr name;
    if (ThrowIfFailed(dom.GetAttribute(initialiser.Get(), u"name", &name)) == S_OK && name.View() == wanted.View())
      return InitialiserText(dom, initialiser.Get(), text);
  }
  return hr;
}

HRESULT NotFoundIfFalse(HRESULT hr) { return hr == S_FALSE ? kTicketItemNotFound : hr; }

}  // namespace

HRESULT PrintTicketDom::GetValueText(std::u16string_view query, Bstr* text) const {
  if (!text) return E_POINTER;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNode> node;
    HRESULT hr = SelectSingle(query, &node);
    if (hr != S_OK) return hr;
    ComPtr<IXMLDOMNode> child;
    hr = ThrowIfFailed(FrameworkChild(*this, node.Get(), u"Value", &child));
    if (hr == S_OK) return TypedValueText(child.Get(), text);
    hr = ThrowIfFailed(FrameworkChild(*this, node.Get(), u"ParameterRef", &child));
    if (hr != S_OK) return hr;
    return ReferencedText(*this, child.Get(), text);
  });
}

HRESULT PrintTicketDom::GetValue(std::u16string_view query, Bstr* text) const {
  return NotFoundIfFalse(GetValueText(query, text));
}

HRESULT PrintTicketDom::GetValueInt(std::u16string_view query, LONG* value) const {
  if (!value) return E_POINTER;
  Bstr text;
  const HRESULT hr = GetValue(query, &text);
  if (hr == S_OK) *value = ParseTicketInteger(text.View());
  return hr;
}

HRESULT PrintTicketDom::OptionOf(XPathQuery& query, bool requireName, Bstr* option, BOOL* isPrivate) const {
  ComPtr<IXMLDOMNode> node;
  HRESULT hr = SelectSingle(query.Text(), &node);
  if (hr != S_OK) return NotFoundIfFalse(hr);
  Bstr name;
  hr = ThrowIfFailed(GetAttribute(node.Get(), u"name", &name));
  if (hr == S_FALSE) {
    // The Value alternative of the selector has no name: its text is the option.
    if (requireName) return kTicketItemNotFound;
    ThrowIfFailed(TypedValueText(node.Get(), &name));
  }
  BOOL flag = FALSE;
  hr = StripPrefix(&name, &flag);
  if (FAILED(hr)) return hr;
  *option = std::move(name);
  *isPrivate = flag;
  return S_OK;
}

HRESULT PrintTicketDom::GetFeatureOption(std::u16string_view prefix, std::u16string_view feature, Bstr* option,
                                         BOOL* isPrivate) const {
  if (!option || !isPrivate) return E_POINTER;
  if (feature.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendFeature(prefix, feature));
    ThrowIfFailed(query.AppendOptionSelector(KeywordsPrefix()));
    return OptionOf(query, false, option, isPrivate);
  });
}

HRESULT PrintTicketDom::GetSubFeatureOption(std::u16string_view prefix, std::u16string_view feature,
                                            std::u16string_view subPrefix, std::u16string_view subFeature,
                                            Bstr* option, BOOL* isPrivate) const {
  if (!option || !isPrivate) return E_POINTER;
  if (feature.empty() || subFeature.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendFeature(prefix, feature));
    ThrowIfFailed(query.AppendFeature(subPrefix, subFeature));
    ThrowIfFailed(query.AppendOptionSelector(KeywordsPrefix()));
    return OptionOf(query, true, option, isPrivate);
  });
}

HRESULT PrintTicketDom::GetScoredPropertyText(std::u16string_view feature, std::u16string_view scoredProperty,
                                              Bstr* text) const {
  if (!text) return E_POINTER;
  if (feature.empty() || scoredProperty.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendFeature(KeywordsPrefix(), feature));
    ThrowIfFailed(query.AppendScoredProperty(KeywordsPrefix(), scoredProperty));
    return NotFoundIfFalse(GetValueText(query.Text(), text));
  });
}

HRESULT PrintTicketDom::GetScoredPropertyInt(std::u16string_view feature, std::u16string_view scoredProperty,
                                             LONG* value) const {
  if (!value) return E_POINTER;
  Bstr text;
  const HRESULT hr = GetScoredPropertyText(feature, scoredProperty, &text);
  if (hr == S_OK) *value = ParseTicketInteger(text.View());
  return hr;
}

HRESULT PrintTicketDom::FeatureExists(std::u16string_view feature) const {
  if (feature.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendFeature(KeywordsPrefix(), feature));
    return NodeExists(query.Text());
  });
}

HRESULT PrintTicketDom::StripPrefix(Bstr* name, BOOL* isPrivate) const {
  if (!name || !isPrivate) return E_POINTER;
  if (name->Empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    const std::u16string_view text = name->View();
    const auto startsWith = [text](std::u16string_view prefix) { return !prefix.empty() && text.starts_with(prefix); };
    BOOL flag = FALSE;
    if (startsWith(PrivatePrefix())) {
      *name = CopyToBstr(text.substr(PrivatePrefix().size()));
      flag = TRUE;
    } else if (startsWith(KeywordsPrefix())) {
      *name = CopyToBstr(text.substr(KeywordsPrefix().size()));
    }
    *isPrivate = flag;
    return S_OK;
  });
}
