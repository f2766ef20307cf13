// DescribePrintSchemaDocument: a ticket or capabilities document as indented text or JSON,
// one entry per Print Schema element, for tools.
#include <string>

#include "json_text.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "ticket_schema.h"
#include "xml_support.h"

namespace {

std::string S(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

// What one framework element says: its kind, name, value and reference.
struct Entry {
  std::string element;
  std::string name;
  std::string value;      // of its Value child
  std::string reference;  // of its ParameterRef child
};

bool Folded(const xmlNode* n) { return IsFramework(n, "Value") || IsFramework(n, "ParameterRef"); }

Entry EntryOf(xmlNode* n) {
  Entry e{S(n->name), Attribute(n, "name").value_or(""), "", ""};
  if (xmlNode* value = ChildElement(n, kPrintSchemaFrameworkNamespace, "Value")) e.value = TextOf(value);
  if (xmlNode* ref = ChildElement(n, kPrintSchemaFrameworkNamespace, "ParameterRef"))
    e.reference = Attribute(ref, "name").value_or("");
  return e;
}

// Depth is bounded by the parser's limit.
void Text(xmlNode* parent, int depth, std::string& out) {
  for (xmlNode* n = parent->children; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || Folded(n)) continue;
    const Entry e = EntryOf(n);
    out += std::string(2 * depth, ' ') + e.element + (e.name.empty() ? "" : " " + e.name) +
           (e.value.empty() ? "" : " = " + e.value) + (e.reference.empty() ? "" : " -> " + e.reference) + "\n";
    Text(n, depth + 1, out);
  }
}

void Json(xmlNode* parent, std::string& out) {
  out += "[";
  bool first = true;
  for (xmlNode* n = parent->children; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || Folded(n)) continue;
    const Entry e = EntryOf(n);
    out += (first ? "{" : ", {") + JsonString("element") + ": " + JsonString(e.element);
    first = false;
    if (!e.name.empty()) out += ", \"name\": " + JsonString(e.name);
    if (!e.value.empty()) out += ", \"value\": " + JsonString(e.value);
    if (!e.reference.empty()) out += ", \"parameter\": " + JsonString(e.reference);
    out += ", \"children\": ";
    Json(n, out);
    out += "}";
  }
  out += "]";
}

}  // namespace

HRESULT DescribePrintSchemaDocument(std::string_view xml, bool json, std::string* description, BSTR* errorMessage) {
  if (errorMessage) *errorMessage = nullptr;
  if (!description) return E_POINTER;
  try {
    const XmlDoc doc = ParseXml(xml, E_PRINTTICKET_FORMAT, "document");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    std::string out;
    if (!json) {
      out = S(root->name) + " version " + Attribute(root, "version").value_or("?") + "\n";
      Text(root, 1, out);
    } else {
      out = "{\"element\": " + JsonString(S(root->name)) +
            ", \"version\": " + JsonString(Attribute(root, "version").value_or("")) + ", \"namespaces\": {";
      for (const xmlNs* ns = root->nsDef; ns; ns = ns->next)
        out += (ns == root->nsDef ? "" : ", ") + JsonString(S(ns->prefix)) + ": " + JsonString(S(ns->href));
      out += "}, \"children\": ";
      Json(root, out);
      out += "}\n";
    }
    *description = std::move(out);
    return S_OK;
  } catch (const TicketError& e) {
    if (errorMessage) *errorMessage = SysAllocString(Utf8ToUtf16(e.message).value_or(u"?").c_str());
    return e.hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
