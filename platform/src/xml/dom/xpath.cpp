// selectSingleNode and selectNodes: XPath 1.0 by libxml2, with the document's
// selection namespaces as the only prefixes bound (besides xml).
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>
#include <vector>

#include "document.h"
#include "node_list.h"
#include "platform/safe_xml.h"
#include "text.h"

namespace xmldom {

namespace {

struct ContextFree {
  void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct ObjectFree {
  void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};

// The selected nodes in document order; E_FAIL for a query that does not
// compile, uses an unbound prefix or yields no node set.
HRESULT Evaluate(Document& owner, xmlNode* context_node, BSTR xpath, std::vector<xmlNode*>* nodes) {
  const std::optional<std::string> query = Utf8FromBstr(xpath);
  if (!query || query->empty()) return E_INVALIDARG;
  safexml::QuietGenericErrors();
  std::unique_ptr<xmlXPathContext, ContextFree> context(xmlXPathNewContext(context_node->doc));
  if (!context) return E_OUTOFMEMORY;
  context->node = context_node;
  context->error = [](void*, auto*) {};  // failures are reported as results, not printed
  for (const NamespaceBinding& binding : owner.SelectionNamespaces())
    if (xmlXPathRegisterNs(context.get(), AsXmlChar(binding.prefix), AsXmlChar(binding.uri)) != 0)
      return E_OUTOFMEMORY;
  std::unique_ptr<xmlXPathObject, ObjectFree> result(xmlXPathEvalExpression(AsXmlChar(*query), context.get()));
  if (!result || result->type != XPATH_NODESET) return E_FAIL;
  xmlNodeSet* set = result->nodesetval;
  if (!set) return S_OK;
  xmlXPathNodeSetSort(set);
  nodes->reserve(static_cast<std::size_t>(set->nodeNr));
  // Namespace nodes are copies that die with the result; they are left out.
  for (int i = 0; i < set->nodeNr; ++i)
    if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes->push_back(set->nodeTab[i]);
  return S_OK;
}

}  // namespace

HRESULT SelectSingleNode(Document& owner, xmlNode* context, BSTR xpath, IXMLDOMNode** node) {
  if (!node) return E_POINTER;
  *node = nullptr;
  std::vector<xmlNode*> nodes;
  const HRESULT hr = Evaluate(owner, context, xpath, &nodes);
  if (FAILED(hr)) return hr;
  if (nodes.empty()) return S_FALSE;
  return owner.Wrap(nodes.front(), node);
}

HRESULT SelectNodes(Document& owner, xmlNode* context, BSTR xpath, IXMLDOMNodeList** list) {
  if (!list) return E_POINTER;
  *list = nullptr;
  std::vector<xmlNode*> nodes;
  HRESULT hr = Evaluate(owner, context, xpath, &nodes);
  if (FAILED(hr)) return hr;
  std::vector<ComPtr<IXMLDOMNode>> objects;
  objects.reserve(nodes.size());
  for (xmlNode* node : nodes) {
    ComPtr<IXMLDOMNode> object;
    hr = owner.Wrap(node, object.Put());
    if (FAILED(hr)) return hr;
    objects.push_back(std::move(object));
  }
  ComPtr<IXMLDOMNodeList> made = MakeComObject<NodeList, IXMLDOMNodeList>(std::move(objects));
  if (!made) return E_OUTOFMEMORY;
  *list = made.Detach();
  return S_OK;
}

}  // namespace xmldom
