#include "root_namespaces.h"

#include <cstdio>

#include "platform/print_ticket_provider.h"

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

const NamespaceBinding kWellKnown[] = {
    {kPrintSchemaFrameworkNamespace, "psf"},
    {kPrintSchemaKeywordsNamespace, "psk"},
    {kXmlSchemaInstanceNamespace, "xsi"},
    {kXmlSchemaNamespace, "xsd"},
};

}  // namespace

RootNamespaces::RootNamespaces(xmlNode* root, const PrinterDescription& description)
    : root_(root), description_(description) {
  for (xmlNs* ns = root->nsDef; ns; ns = ns->next)
    if (ns->prefix && ns->href) by_uri_.emplace(reinterpret_cast<const char*>(ns->href), ns);
}

bool RootNamespaces::PrefixFree(const std::string& prefix) const {
  if (prefix.empty() || prefix.starts_with("xml")) return false;
  for (const xmlNs* ns = root_->nsDef; ns; ns = ns->next)
    if (ns->prefix && xmlStrEqual(ns->prefix, X(prefix))) return false;
  return true;
}

std::string RootNamespaces::NewPrefix(const std::string& uri, const std::string& preferred) const {
  if (PrefixFree(preferred)) return preferred;
  for (const NamespaceBinding& b : kWellKnown)
    if (b.uri == uri && PrefixFree(b.prefix)) return b.prefix;
  for (const NamespaceBinding& b : description_.namespaces)
    if (b.uri == uri && PrefixFree(b.prefix)) return b.prefix;
  for (unsigned i = 0;; ++i) {
    char generated[16];
    std::snprintf(generated, sizeof generated, "ns%04u", i);
    if (PrefixFree(generated)) return generated;
  }
}

xmlNs* RootNamespaces::For(const std::string& uri, const std::string& preferred_prefix) {
  if (uri == reinterpret_cast<const char*>(XML_XML_NAMESPACE))
    return xmlSearchNs(root_->doc, root_, reinterpret_cast<const xmlChar*>("xml"));
  if (const auto it = by_uri_.find(uri); it != by_uri_.end()) return it->second;
  xmlNs* ns = xmlNewNs(root_, X(uri), X(NewPrefix(uri, preferred_prefix)));
  if (!ns) throw TicketError{E_OUTOFMEMORY, "out of memory while declaring a namespace"};
  by_uri_.emplace(uri, ns);
  return ns;
}

std::string RootNamespaces::Text(const QualifiedName& name, const std::string& preferred_prefix) {
  if (name.uri.empty()) return name.local;
  return reinterpret_cast<const char*>(For(name.uri, preferred_prefix)->prefix) + (":" + name.local);
}
