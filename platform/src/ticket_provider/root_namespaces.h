// Namespace declarations on the root element of a document being written: every name
// put into the document is bound to a prefix the root declares, declared when missing.
#pragma once

#include <string>
#include <unordered_map>

#include "printer_description.h"
#include "xml_support.h"

class RootNamespaces {
 public:
  // Prefixes for new declarations come from the caller's preference, then the printer
  // description's own bindings, then ns0000, ns0001, ...
  RootNamespaces(xmlNode* root, const PrinterDescription& description);

  // A prefixed declaration of uri on the root (uri must not be empty).
  xmlNs* For(const std::string& uri, const std::string& preferred_prefix = "");
  // The name as "prefix:local" (plain local for no namespace), declaring as needed.
  std::string Text(const QualifiedName& name, const std::string& preferred_prefix = "");

 private:
  bool PrefixFree(const std::string& prefix) const;
  std::string NewPrefix(const std::string& uri, const std::string& preferred) const;

  xmlNode* root_;
  const PrinterDescription& description_;
  std::unordered_map<std::string, xmlNs*> by_uri_;
};
