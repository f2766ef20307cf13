// Construction (prefix discovery) and the selections of PrintTicketDom.
#include "ticket/print_ticket_dom.h"

#include <string>

#include "ticket/dom_values.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/ticket_text.h"

namespace {

// Makes prefix (without colon) the one XPath prefix of the document's queries.
void SetSelectionNamespace(IXMLDOMDocument2* document, std::u16string_view prefix, std::u16string_view uri) {
  std::u16string bindings = u"xmlns:";
  bindings.append(prefix).append(u"='").append(uri).append(u"'");
  ThrowIfFailed(document->setProperty(CopyToBstr(u"SelectionNamespaces").Get(), StringVariant(CopyToBstr(bindings))));
}

// The prefix, with its colon, that the root's first prefixed declaration of
// uri binds; NULL when the root declares none. A default declaration, or an
// ordinary attribute that happens to hold the URI, gives no prefix and is
// passed over, so that a later prefixed declaration is still found.
Bstr DiscoverPrefix(IXMLDOMNode* root, std::u16string_view uri) {
  if (uri.empty()) return Bstr();
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (ThrowIfFailed(root->get_attributes(attributes.Put())) != S_OK) return Bstr();
  ThrowIfFailed(attributes->reset());
  constexpr std::u16string_view kDeclaration = u"xmlns:";
  ComPtr<IXMLDOMNode> attribute;
  while (ThrowIfFailed(attributes->nextNode(attribute.Put())) == S_OK) {
    Bstr value;
    ThrowIfFailed(attribute->get_text(value.Put()));
    if (value.View() != uri) continue;
    Bstr name;
    ThrowIfFailed(attribute->get_nodeName(name.Put()));
    if (!name.View().starts_with(kDeclaration)) continue;
    std::u16string prefix(name.View().substr(kDeclaration.size()));
    prefix += u':';
    return CopyToBstr(prefix);
  }
  return Bstr();
}

}  // namespace

PrintTicketDom::PrintTicketDom(std::u16string_view rootName, std::u16string_view privateNamespaceUri,
                               IXMLDOMDocument2* document)
    : document_(document) {
  if (!document_) throw HResultError(E_PENDING);
  rootName_ = CopyToBstr(rootName);
  isCapabilities_ = rootName == u"PrintCapabilities";
  privateNamespaceUri_ = CopyToBstr(privateNamespaceUri);
  ThrowIfFailed(document_->setProperty(CopyToBstr(u"SelectionLanguage").Get(), StringVariant(CopyToBstr(u"XPath"))));
  SetSelectionNamespace(document_.Get(), u"psf", kPrintSchemaFrameworkNs);

  ComPtr<IXMLDOMNode> root;
  std::u16string rootQuery = u"//psf:";
  rootQuery.append(rootName);
  if (ThrowIfFailed(SelectSingle(rootQuery, &root)) != S_OK) throw HResultError(E_FAIL);
  frameworkPrefix_ = DiscoverPrefix(root.Get(), kPrintSchemaFrameworkNs);
  keywordsPrefix_ = DiscoverPrefix(root.Get(), kPrintSchemaKeywordsNs);
  schemaInstancePrefix_ = DiscoverPrefix(root.Get(), kXmlSchemaInstanceNs);
  schemaPrefix_ = DiscoverPrefix(root.Get(), kXmlSchemaNs);
  privatePrefix_ = DiscoverPrefix(root.Get(), privateNamespaceUri);
  privateNamespaceDeclared_ = privatePrefix_.Get() != nullptr;

  // From here on every query uses the document's own framework prefix.
  const std::u16string_view framework = FrameworkPrefix();
  if (framework.size() < 2 || framework.back() != u':') throw HResultError(E_FAIL);
  SetSelectionNamespace(document_.Get(), framework.substr(0, framework.size() - 1), kPrintSchemaFrameworkNs);
}

HRESULT PrintTicketDom::SelectSingle(std::u16string_view query, ComPtr<IXMLDOMNode>* node) const {
  if (!node) return E_POINTER;
  if (query.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNode> found;
    const HRESULT hr = document_->selectSingleNode(CopyToBstr(query).Get(), found.Put());
    if (hr == S_OK) *node = std::move(found);
    return hr;
  });
}

HRESULT PrintTicketDom::SelectAll(std::u16string_view query, ComPtr<IXMLDOMNodeList>* nodes) const {
  if (!nodes) return E_POINTER;
  if (query.empty()) return E_FAIL;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNodeList> found;
    const HRESULT hr = document_->selectNodes(CopyToBstr(query).Get(), found.Put());
    if (SUCCEEDED(hr)) *nodes = std::move(found);
    return hr;
  });
}

HRESULT PrintTicketDom::SelectRoot(ComPtr<IXMLDOMNode>* root) const {
  return CallReturningHresult([&] {
    std::u16string query = u"//";
    query.append(FrameworkPrefix()).append(RootName());
    return SelectSingle(query, root);
  });
}

HRESULT PrintTicketDom::GetAttribute(IXMLDOMNode* node, std::u16string_view name, Bstr* text) const {
  if (!node || !text) return E_POINTER;
  if (name.empty()) return E_INVALIDARG;
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    HRESULT hr = node->get_attributes(attributes.Put());
    if (hr != S_OK) return hr;
    ComPtr<IXMLDOMNode> attribute;
    hr = attributes->getNamedItem(CopyToBstr(name).Get(), attribute.Put());
    if (hr != S_OK) return hr;
    Bstr value;
    hr = attribute->get_text(value.Put());
    if (SUCCEEDED(hr)) *text = std::move(value);
    return hr;
  });
}

HRESULT PrintTicketDom::NodeExists(std::u16string_view query) const {
  ComPtr<IXMLDOMNode> node;
  const HRESULT hr = SelectSingle(query, &node);
  return hr == S_FALSE ? kTicketItemNotFound : hr;
}
