#include "host/package/markup_compatibility.h"

#include <sstream>

#include "host/package/package_error.h"
#include "host/package/xml_part.h"
#include "host/package/xps_vocabulary.h"

namespace kestrel::package {
namespace {

std::optional<std::string> CompatibilityAttribute(const xmlNode* element, const char* name) {
  const std::string ns(kMarkupCompatibilityNamespace);
  const safexml::String value(
      xmlGetNsProp(element, reinterpret_cast<const xmlChar*>(name), reinterpret_cast<const xmlChar*>(ns.c_str())));
  if (!value) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(value.get()));
}

// The namespace a prefix stands for at element; "" when it is not declared.
std::string NamespaceOfPrefix(xmlNode* element, const std::string& prefix) {
  xmlNs* ns = xmlSearchNs(element->doc, element, reinterpret_cast<const xmlChar*>(prefix.c_str()));
  return ns && ns->href ? reinterpret_cast<const char*>(ns->href) : "";
}

// Whether every prefix of the space-separated list names an understood namespace.
bool AllUnderstood(xmlNode* element, const std::string& prefixes, std::string_view understood, std::string* first_not) {
  std::istringstream list(prefixes);
  std::string prefix;
  while (list >> prefix) {
    const std::string ns = NamespaceOfPrefix(element, prefix);
    if (ns != understood) {
      if (first_not) *first_not = ns.empty() ? "undeclared prefix " + prefix : ns;
      return false;
    }
  }
  return true;
}

bool IsIgnorable(xmlNode* element, std::string_view name_space) {
  for (xmlNode* scope = element; scope && scope->type == XML_ELEMENT_NODE; scope = scope->parent) {
    auto ignorable = CompatibilityAttribute(scope, "Ignorable");
    if (!ignorable) continue;
    std::istringstream list(*ignorable);
    std::string prefix;
    while (list >> prefix) {
      if (NamespaceOfPrefix(scope, prefix) == name_space) return true;
    }
  }
  return false;
}

void CheckMustUnderstand(xmlNode* element, std::string_view understood, const std::string& part) {
  auto must = CompatibilityAttribute(element, "MustUnderstand");
  std::string missing;
  if (must && !AllUnderstood(element, *must, understood, &missing)) {
    throw PackageError(part, std::string(ElementName(element)) + " must be understood in " + missing);
  }
}

void VisitAlternateContent(xmlNode* alternate, std::string_view understood, const std::string& part,
                           const std::function<void(xmlNode*)>& visit) {
  xmlNode* chosen = nullptr;
  bool fallback_seen = false;
  for (xmlNode* branch : ElementChildren(alternate)) {
    if (IsElement(branch, kMarkupCompatibilityNamespace, "Choice")) {
      if (fallback_seen) throw PackageError(part, "AlternateContent has a Choice after its Fallback");
      auto requires_list = CompatibilityAttribute(branch, "Requires");
      if (!requires_list) requires_list = Attribute(branch, "Requires");
      if (!requires_list) throw PackageError(part, "Choice without Requires");
      if (!chosen && AllUnderstood(branch, *requires_list, understood, nullptr)) chosen = branch;
    } else if (IsElement(branch, kMarkupCompatibilityNamespace, "Fallback")) {
      if (fallback_seen) throw PackageError(part, "AlternateContent has two Fallbacks");
      fallback_seen = true;
      if (!chosen) chosen = branch;
    } else {
      throw PackageError(part, "AlternateContent holds " + std::string(ElementName(branch)));
    }
  }
  if (chosen) ForEachUnderstoodChild(chosen, understood, part, visit);
}

}  // namespace

void VisitIfUnderstood(xmlNode* child, std::string_view understood, const std::string& part,
                       const std::function<void(xmlNode*)>& visit) {
  const std::string_view ns = ElementNamespace(child);
  if (ns == kMarkupCompatibilityNamespace) {
    if (ElementName(child) != "AlternateContent") {
      throw PackageError(part, "unexpected " + std::string(ElementName(child)) + " element");
    }
    VisitAlternateContent(child, understood, part, visit);
  } else if (ns == understood) {
    CheckMustUnderstand(child, understood, part);
    visit(child);
  } else if (!IsIgnorable(child, ns)) {
    throw PackageError(part, "element " + std::string(ElementName(child)) + " of namespace \"" + std::string(ns) +
                                 "\" is not understood");
  }
}

void ForEachUnderstoodChild(xmlNode* parent, std::string_view understood, const std::string& part,
                            const std::function<void(xmlNode*)>& visit) {
  for (xmlNode* child : ElementChildren(parent)) VisitIfUnderstood(child, understood, part, visit);
}

}  // namespace kestrel::package
