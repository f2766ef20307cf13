#include "ticket_merge.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "root_namespaces.h"
#include "ticket_schema.h"

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }
std::string S(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

template <typename T>
T* Checked(T* made) {
  if (!made) throw TicketError{E_OUTOFMEMORY, "out of memory while merging"};
  return made;
}

struct NodeFree {
  void operator()(xmlNode* node) const { xmlFreeNode(node); }
};
using OwnedNode = std::unique_ptr<xmlNode, NodeFree>;

// Copies elements of the delta into the result, re-binding every namespace and every
// QName value (name attributes, xsi:type, Values of type xsd:QName) to the result's root.
class Importer {
 public:
  Importer(xmlDoc* target, RootNamespaces& namespaces) : target_(target), namespaces_(namespaces) {}

  // The copy is owned until it is attached, so that a refused name frees it.
  OwnedNode Import(xmlNode* src) {
    xmlNs* ns = src->ns ? namespaces_.For(S(src->ns->href), S(src->ns->prefix)) : nullptr;
    OwnedNode dst(Checked(xmlNewDocNode(target_, ns, src->name, nullptr)));
    for (xmlAttr* a = src->properties; a; a = a->next) CopyAttribute(src, a, dst.get());
    const bool qname_text = HasQNameType(src);
    for (xmlNode* c = src->children; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE) {
        xmlAddChild(dst.get(), Import(c).release());
      } else if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        const std::string text = S(c->content);
        const std::string copied = qname_text && !IsBlank(text) ? Rebind(src, text) : text;
        xmlAddChild(dst.get(), Checked(xmlNewDocText(target_, X(copied))));
      }
    }
    return dst;
  }

 private:
  static bool IsBlank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

  static bool IsTypeAttribute(const xmlAttr* a) {
    return a->ns && xmlStrEqual(a->ns->href, reinterpret_cast<const xmlChar*>(kXmlSchemaInstanceNamespace)) &&
           xmlStrEqual(a->name, reinterpret_cast<const xmlChar*>("type"));
  }

  static bool IsNameAttribute(const xmlNode* owner, const xmlAttr* a) {
    return !a->ns && InNamespace(owner, kPrintSchemaFrameworkNamespace) &&
           xmlStrEqual(a->name, reinterpret_cast<const xmlChar*>("name"));
  }

  static std::string ValueOf(const xmlAttr* a) {
    const safexml::String v(xmlNodeListGetString(a->doc, a->children, 1));
    return S(v.get());
  }

  bool HasQNameType(xmlNode* src) const {
    for (const xmlAttr* a = src->properties; a; a = a->next)
      if (IsTypeAttribute(a)) return ResolveQName(src, ValueOf(a)) == QualifiedName{kXmlSchemaNamespace, "QName"};
    return false;
  }

  void CopyAttribute(xmlNode* src, const xmlAttr* a, xmlNode* dst) {
    std::string value = ValueOf(a);
    if (IsNameAttribute(src, a) || IsTypeAttribute(a)) value = Rebind(src, value);
    xmlNs* ns = a->ns ? namespaces_.For(S(a->ns->href), S(a->ns->prefix)) : nullptr;
    Checked(xmlNewNsProp(dst, ns, a->name, X(value)));
  }

  std::string Rebind(xmlNode* src, const std::string& qname) {
    const auto name = ResolveQName(src, qname);
    if (!name)
      throw TicketError{E_DELTA_PRINTTICKET_FORMAT, "delta ticket: line " + std::to_string(xmlGetLineNo(src)) +
                                                        ": '" + qname + "' is not a name with a declared prefix"};
    const std::string_view written = TrimBlanks(qname);
    const auto colon = written.find(':');
    return namespaces_.Text(*name, std::string(colon == std::string_view::npos ? "" : written.substr(0, colon)));
  }

  xmlDoc* target_;
  RootNamespaces& namespaces_;
};

}  // namespace

XmlDoc MergeTickets(xmlDoc* base, xmlDoc* delta, EPrintTicketScope scope, const PrinterDescription& description) {
  XmlDoc result(Checked(xmlCopyDoc(base, 1)));
  xmlNode* root = xmlDocGetRootElement(result.get());
  std::unordered_map<ItemKey, std::vector<xmlNode*>, ItemKeyHash> items;
  ForEachItem(result.get(), E_PRINTTICKET_FORMAT, "base ticket",
              [&](xmlNode* n, const ItemKey& key) { items[key].push_back(n); });
  if (!delta) return result;

  RootNamespaces namespaces(root, description);
  Importer importer(result.get(), namespaces);
  ForEachItem(delta, E_DELTA_PRINTTICKET_FORMAT, "delta ticket", [&](xmlNode* n, const ItemKey& key) {
    if (!InScope(key.name, scope)) return;
    xmlNode* imported = importer.Import(n).release();
    std::vector<xmlNode*>& replaced = items[key];
    if (replaced.empty()) {
      xmlAddChild(root, imported);
    } else {
      xmlAddPrevSibling(replaced.front(), imported);
      for (xmlNode* old : replaced) {
        xmlUnlinkNode(old);
        xmlFreeNode(old);
      }
    }
    replaced.assign(1, imported);
  });
  return result;
}
