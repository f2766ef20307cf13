#include "namespaces.h"

#include <unordered_map>
#include <unordered_set>

#include "document.h"
#include "text.h"
#include "tree_walk.h"

namespace xmldom {

std::optional<QualifiedName> SplitQualifiedName(const std::string& name) {
  if (name.empty() || xmlValidateQName(AsXmlChar(name), 0) != 0) return std::nullopt;
  const std::size_t colon = name.find(':');
  if (colon == std::string::npos) return QualifiedName{{}, name};
  return QualifiedName{name.substr(0, colon), name.substr(colon + 1)};
}

xmlNs*& NamespaceOf(xmlNode* node) {
  if (node->type == XML_ATTRIBUTE_NODE) return reinterpret_cast<xmlAttr*>(node)->ns;
  return node->ns;
}

std::string QualifiedNameOf(xmlNode* node) {
  std::string name;
  if (const xmlNs* ns = NamespaceOf(node); ns && ns->prefix) (name = AsView(ns->prefix)) += ':';
  name += AsView(node->name);
  return name;
}

namespace {

bool HasNamespaceField(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE;
}

void Redirect(xmlNode* top, const xmlNs* from, xmlNs* to) {
  VisitSubtree(top, [&](xmlNode* node) {
    if (HasNamespaceField(node) && NamespaceOf(node) == from) NamespaceOf(node) = to;
    return true;
  });
}

// Unlinks and frees the declarations of element that its parent already has in scope.
void DropRepeatedOn(xmlNode* element) {
  xmlNs** link = &element->nsDef;
  while (xmlNs* declaration = *link) {
    xmlNs* in_scope = xmlSearchNs(element->doc, element->parent, declaration->prefix);
    if (in_scope && xmlStrEqual(in_scope->href, declaration->href)) {
      Redirect(element, declaration, in_scope);
      *link = declaration->next;
      declaration->next = nullptr;
      xmlFreeNs(declaration);
    } else {
      link = &declaration->next;
    }
  }
}

bool IsXmlNamespace(const xmlNs* ns) { return xmlStrEqual(ns->prefix, BAD_CAST "xml"); }

}  // namespace

void DropRepeatedDeclarations(xmlNode* top) {
  if (!top->parent) return;
  VisitSubtree(top, [](xmlNode* node) {
    if (node->type == XML_ELEMENT_NODE && node->nsDef) DropRepeatedOn(node);
    return true;
  });
}

HRESULT MakeSelfContained(Document& owner, xmlNode* top) {
  std::unordered_set<const xmlNs*> declared_inside;
  VisitSubtree(top, [&](xmlNode* node) {
    if (node->type == XML_ELEMENT_NODE)
      for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) declared_inside.insert(ns);
    return true;
  });
  std::unordered_map<const xmlNs*, xmlNs*> redeclared;
  const bool complete = VisitSubtree(top, [&](xmlNode* node) {
    if (!HasNamespaceField(node)) return true;
    xmlNs*& ns = NamespaceOf(node);
    // The xml namespace belongs to the document, which outlives the subtree.
    if (!ns || declared_inside.count(ns) || IsXmlNamespace(ns)) return true;
    xmlNs*& copy = redeclared[ns];
    if (!copy && top->type == XML_ELEMENT_NODE) copy = xmlNewNs(top, ns->href, ns->prefix);
    if (!copy) copy = owner.FloatingNamespace(ns->prefix, ns->href);
    if (!copy) return false;
    ns = copy;
    return true;
  });
  return complete ? S_OK : E_OUTOFMEMORY;
}

}  // namespace xmldom
