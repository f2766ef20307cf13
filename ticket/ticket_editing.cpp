// The editing operations of PrintTicketDom: removing ticket items and
// building detached Print Schema elements named with the document's prefixes.
#include <set>
#include <string>

#include "ticket/dom_values.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/print_ticket_dom.h"
#include "ticket/ticket_text.h"

namespace {

// The name attributes of every node in the list.
std::set<std::u16string> NamesIn(const PrintTicketDom& dom, IXMLDOMNodeList* nodes) {
  std::set<std::u16string> names;
  ComPtr<IXMLDOMNode> node;
  while (ThrowIfFailed(nodes->nextNode(node.Put())) == S_OK) {
    Bstr name;
    if (ThrowIfFailed(dom.GetAttribute(node.Get(), u"name", &name)) == S_OK) names.emplace(name.View());
  }
  return names;
}

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
  ComPtr<IXMLDOMElement> element;
  ThrowIfFailed(ComPtr<IXMLDOMNode>(node).As(element));
  return element;
}

void AppendTo(IXMLDOMNode* parent, IXMLDOMNode* child) { ThrowIfFailed(parent->appendChild(child, nullptr)); }

std::u16string Qualified(std::u16string_view prefix, std::u16string_view name) {
  std::u16string qualified(prefix);
  qualified.append(name);
  return qualified;
}

}  // namespace

// --- Removal ---

HRESULT PrintTicketDom::RemoveNode(IXMLDOMNode* node) {
  if (!node) return E_POINTER;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNode> parent;
    const HRESULT hr = node->get_parentNode(parent.Put());
    if (hr != S_OK) return hr;
    return parent->removeChild(node, nullptr);
  });
}

HRESULT PrintTicketDom::RemoveFeatureOnce(std::u16string_view featureQuery, IXMLDOMNode* feature) {
  std::u16string initQuery = u"//";
  initQuery.append(FrameworkPrefix()).append(u"ParameterInit");
  std::u16string referenceQuery(featureQuery);
  referenceQuery.append(u"//").append(FrameworkPrefix()).append(u"ParameterRef");
  ComPtr<IXMLDOMNodeList> initialisers;
  ComPtr<IXMLDOMNodeList> references;
  ThrowIfFailed(SelectAll(initQuery, &initialisers));
  ThrowIfFailed(SelectAll(referenceQuery, &references));
  const std::set<std::u16string> referenced = NamesIn(*this, references.Get());
  ComPtr<IXMLDOMNode> initialiser;
  while (ThrowIfFailed(initialisers->nextNode(initialiser.Put())) == S_OK) {
    Bstr name;
    if (ThrowIfFailed(GetAttribute(initialiser.Get(), u"name", &name)) == S_OK &&
        referenced.contains(std::u16string(name.View())))
      ThrowIfFailed(RemoveNode(initialiser.Get()));
  }
  return RemoveNode(feature);
}

HRESULT PrintTicketDom::RemoveFeatures(std::u16string_view prefix, std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendFeature(prefix, name));
    for (;;) {
      ComPtr<IXMLDOMNode> feature;
      HRESULT hr = SelectSingle(query.Text(), &feature);
      if (hr != S_OK) return hr;
      hr = RemoveFeatureOnce(query.Text(), feature.Get());
      // A match that cannot be removed would be found again forever.
      if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    }
  });
}

HRESULT PrintTicketDom::RemoveFeature(std::u16string_view name) { return RemoveFeatures(KeywordsPrefix(), name); }

HRESULT PrintTicketDom::RemovePrivateFeature(std::u16string_view name) {
  return RemoveFeatures(PrivatePrefix(), name);
}

HRESULT PrintTicketDom::RemoveFirst(std::u16string_view query) {
  ComPtr<IXMLDOMNode> node;
  const HRESULT hr = SelectSingle(query, &node);
  if (hr != S_OK) return hr;
  return RemoveNode(node.Get());
}

HRESULT PrintTicketDom::RemoveEvery(std::u16string_view query) {
  HRESULT result = S_FALSE;
  for (;;) {
    const HRESULT hr = RemoveFirst(query);
    if (FAILED(hr)) return hr;
    if (hr != S_OK) return result;
    result = S_OK;
  }
}

HRESULT PrintTicketDom::RemoveProperty(std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendProperty(PrivatePrefix(), name));
    return RemoveFirst(query.Text());
  });
}

HRESULT PrintTicketDom::RemoveParameterInit(std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendParameterInit(KeywordsPrefix(), name));
    return RemoveFirst(query.Text());
  });
}

HRESULT PrintTicketDom::RemovePrivateParameterInit(std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendParameterInit(PrivatePrefix(), name));
    return RemoveFirst(query.Text());
  });
}

HRESULT PrintTicketDom::RemoveEveryProperty(std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendProperty(PrivatePrefix(), name));
    return RemoveEvery(query.Text());
  });
}

HRESULT PrintTicketDom::RemoveEveryParameterInit(std::u16string_view prefix, std::u16string_view name) {
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    XPathQuery query = NewQuery();
    ThrowIfFailed(query.AppendParameterInit(prefix, name));
    return RemoveEvery(query.Text());
  });
}

// --- Creation ---

HRESULT PrintTicketDom::CreateElement(std::u16string_view qualifiedName, ComPtr<IXMLDOMElement>* element) {
  if (!element) return E_POINTER;
  if (qualifiedName.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNode> node;
    ThrowIfFailed(document_->createNode(IntegerVariant(NODE_ELEMENT), CopyToBstr(qualifiedName).Get(),
                                        CopyToBstr(kPrintSchemaFrameworkNs).Get(), node.Put()));
    *element = AsElement(node.Get());
    return S_OK;
  });
}

HRESULT PrintTicketDom::SetAttribute(IXMLDOMElement* element, std::u16string_view qualifiedName,
                                     std::u16string_view namespaceUri, std::u16string_view value) {
  if (!element || qualifiedName.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNode> node;
    ThrowIfFailed(document_->createNode(IntegerVariant(NODE_ATTRIBUTE), CopyToBstr(qualifiedName).Get(),
                                        CopyToBstr(namespaceUri).Get(), node.Put()));
    ComPtr<IXMLDOMAttribute> attribute;
    ThrowIfFailed(node.As(attribute));
    ThrowIfFailed(attribute->put_text(CopyToBstr(value).Get()));
    return element->setAttributeNode(attribute.Get(), nullptr);
  });
}

HRESULT PrintTicketDom::CreateNamed(std::u16string_view element, std::u16string_view prefix,
                                    std::u16string_view name, ComPtr<IXMLDOMElement>* created) {
  if (!created) return E_POINTER;
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> made;
    ThrowIfFailed(CreateElement(Qualified(FrameworkPrefix(), element), &made));
    ThrowIfFailed(SetAttribute(made.Get(), u"name", u"", Qualified(prefix, name)));
    *created = std::move(made);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateValue(std::u16string_view type, std::u16string_view text,
                                    ComPtr<IXMLDOMElement>* value) {
  ComPtr<IXMLDOMElement> made;
  ThrowIfFailed(CreateElement(Qualified(FrameworkPrefix(), u"Value"), &made));
  ThrowIfFailed(SetAttribute(made.Get(), Qualified(SchemaInstancePrefix(), u"type"), kXmlSchemaInstanceNs,
                             Qualified(SchemaPrefix(), type)));
  ThrowIfFailed(made->put_text(CopyToBstr(text).Get()));
  *value = std::move(made);
  return S_OK;
}

HRESULT PrintTicketDom::CreateNamedWithValue(std::u16string_view element, std::u16string_view prefix,
                                             std::u16string_view name, std::u16string_view type,
                                             std::u16string_view text, ComPtr<IXMLDOMElement>* created) {
  if (!created) return E_POINTER;
  if (name.empty() || type.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> made;
    ComPtr<IXMLDOMElement> value;
    ThrowIfFailed(CreateNamed(element, prefix, name, &made));
    ThrowIfFailed(CreateValue(type, text, &value));
    AppendTo(made.Get(), value.Get());
    *created = std::move(made);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateProperty(std::u16string_view prefix, std::u16string_view name,
                                       ComPtr<IXMLDOMElement>* property) {
  return CreateNamed(u"Property", prefix, name, property);
}

HRESULT PrintTicketDom::CreatePropertyValue(std::u16string_view prefix, std::u16string_view name,
                                            std::u16string_view type, std::u16string_view text,
                                            ComPtr<IXMLDOMElement>* property) {
  return CreateNamedWithValue(u"Property", prefix, name, type, text, property);
}

HRESULT PrintTicketDom::CreatePropertyInt(std::u16string_view prefix, std::u16string_view name, LONG value,
                                          ComPtr<IXMLDOMElement>* property) {
  return CallReturningHresult([&] { return CreatePropertyValue(prefix, name, u"integer", IntegerText(value), property); });
}

HRESULT PrintTicketDom::CreateScoredProperty(std::u16string_view prefix, std::u16string_view name,
                                             ComPtr<IXMLDOMElement>* scoredProperty) {
  return CreateNamed(u"ScoredProperty", prefix, name, scoredProperty);
}

HRESULT PrintTicketDom::CreateScoredPropertyValue(std::u16string_view prefix, std::u16string_view name,
                                                  std::u16string_view type, std::u16string_view text,
                                                  ComPtr<IXMLDOMElement>* scoredProperty) {
  return CreateNamedWithValue(u"ScoredProperty", prefix, name, type, text, scoredProperty);
}

HRESULT PrintTicketDom::CreateScoredPropertyString(std::u16string_view prefix, std::u16string_view name,
                                                   std::u16string_view text,
                                                   ComPtr<IXMLDOMElement>* scoredProperty) {
  return CreateScoredPropertyValue(prefix, name, u"string", text, scoredProperty);
}

HRESULT PrintTicketDom::CreateScoredPropertyInt(std::u16string_view prefix, std::u16string_view name, LONG value,
                                                ComPtr<IXMLDOMElement>* scoredProperty) {
  return CallReturningHresult(
      [&] { return CreateScoredPropertyValue(prefix, name, u"integer", IntegerText(value), scoredProperty); });
}

HRESULT PrintTicketDom::AppendScoredProperty(std::u16string_view prefix, std::u16string_view name,
                                             IXMLDOMNode* child, ComPtr<IXMLDOMElement>* scoredProperty) {
  if (!child || !scoredProperty) return E_POINTER;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> made;
    ThrowIfFailed(CreateScoredProperty(prefix, name, &made));
    AppendTo(made.Get(), child);
    *scoredProperty = std::move(made);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateParameter(std::u16string_view prefix, std::u16string_view name,
                                        std::u16string_view type, std::u16string_view value,
                                        ComPtr<IXMLDOMElement>* reference, ComPtr<IXMLDOMElement>* initialiser) {
  if (!initialiser) return E_POINTER;
  if (name.empty() || type.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> madeReference;
    ComPtr<IXMLDOMElement> madeInitialiser;
    ThrowIfFailed(CreateNamed(u"ParameterRef", prefix, name, &madeReference));
    ThrowIfFailed(CreateNamedWithValue(u"ParameterInit", prefix, name, type, value, &madeInitialiser));
    if (reference) *reference = std::move(madeReference);
    *initialiser = std::move(madeInitialiser);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateKeywordsParameterInt(std::u16string_view name, LONG value,
                                                   ComPtr<IXMLDOMElement>* reference,
                                                   ComPtr<IXMLDOMElement>* initialiser) {
  return CallReturningHresult(
      [&] { return CreateParameter(KeywordsPrefix(), name, u"integer", IntegerText(value), reference, initialiser); });
}

HRESULT PrintTicketDom::CreatePrivateParameterInt(std::u16string_view name, LONG value,
                                                  ComPtr<IXMLDOMElement>* initialiser) {
  return CallReturningHresult(
      [&] { return CreateParameter(PrivatePrefix(), name, u"integer", IntegerText(value), nullptr, initialiser); });
}

HRESULT PrintTicketDom::CreateFeature(bool isPrivate, std::u16string_view name, ComPtr<IXMLDOMElement>* feature,
                                      ComPtr<IXMLDOMElement>* option) {
  if (!feature) return E_POINTER;
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> madeFeature;
    ComPtr<IXMLDOMElement> madeOption;
    ThrowIfFailed(CreateFeatureElement(PrefixOf(isPrivate), name, &madeFeature));
    ThrowIfFailed(CreateElement(Qualified(FrameworkPrefix(), u"Option"), &madeOption));
    AppendTo(madeFeature.Get(), madeOption.Get());
    *feature = std::move(madeFeature);
    if (option) *option = std::move(madeOption);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateFeatureWithOption(bool featureIsPrivate, std::u16string_view featureName,
                                                bool optionIsPrivate, std::u16string_view optionName,
                                                ComPtr<IXMLDOMElement>* feature, ComPtr<IXMLDOMElement>* option) {
  if (!feature) return E_POINTER;
  if (featureName.empty() || optionName.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> madeFeature;
    ComPtr<IXMLDOMElement> madeOption;
    ThrowIfFailed(CreateFeature(featureIsPrivate, featureName, &madeFeature, &madeOption));
    const Bstr optionQualified = CopyToBstr(Qualified(PrefixOf(optionIsPrivate), optionName));
    ThrowIfFailed(madeOption->setAttribute(CopyToBstr(u"name").Get(), StringVariant(optionQualified)));
    *feature = std::move(madeFeature);
    if (option) *option = std::move(madeOption);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateOption(std::u16string_view prefix, std::u16string_view name,
                                     ComPtr<IXMLDOMElement>* option) {
  if (!option) return E_POINTER;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMElement> made;
    ThrowIfFailed(CreateElement(Qualified(FrameworkPrefix(), u"Option"), &made));
    if (!name.empty()) ThrowIfFailed(SetAttribute(made.Get(), u"name", u"", Qualified(prefix, name)));
    if (IsCapabilities())
      ThrowIfFailed(SetAttribute(made.Get(), u"constrained", u"", Qualified(KeywordsPrefix(), u"None")));
    *option = std::move(made);
    return S_OK;
  });
}

HRESULT PrintTicketDom::CreateFeatureElement(std::u16string_view prefix, std::u16string_view name,
                                             ComPtr<IXMLDOMElement>* feature) {
  return CreateNamed(u"Feature", prefix, name, feature);
}
