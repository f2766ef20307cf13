#include "host/print_options/printer_offer.h"

#include <charconv>
#include <stdexcept>

#include "host/print_options/ticket_edit.h"
#include "platform/print_ticket_provider.h"
#include "platform/safe_xml.h"
#include "ticket/print_schema_namespaces.h"

namespace kestrel::print_options {
namespace {

std::string_view Text(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

bool Is(const xmlNode* node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && node->ns && Text(node->ns->href) == kPrintSchemaFrameworkNamespace &&
         Text(node->name) == name;
}

std::string Attribute(const xmlNode* node, const char* name) { return safexml::Attribute(node, name).value_or(""); }

// A qualified name of the document as a canonical one: "psk:" or "kp:" for
// the two keyword namespaces, "{uri}" before the local name for any other.
std::string Canonical(const xmlNode* node, const std::string& qualified) {
  const std::size_t colon = qualified.find(':');
  if (colon == std::string::npos) return qualified;
  const std::string prefix = qualified.substr(0, colon);
  const xmlNs* ns = xmlSearchNs(node->doc, const_cast<xmlNode*>(node), reinterpret_cast<const xmlChar*>(prefix.c_str()));
  const std::string local = qualified.substr(colon + 1);
  if (!ns) return qualified;
  if (Text(ns->href) == kPrintSchemaKeywordsNamespace) return "psk:" + local;
  if (Text(ns->href) == Narrow(PRIVATE_KEYWORDS_NS)) return "kp:" + local;
  return "{" + std::string(Text(ns->href)) + "}" + local;
}

std::string Name(const xmlNode* node) { return Canonical(node, Attribute(node, "name")); }

// The Value child of a property, as text.
std::optional<std::string> ValueOf(const xmlNode* property) {
  for (const xmlNode* child = property->children; child; child = child->next)
    if (Is(child, "Value")) {
      const safexml::String content(xmlNodeGetContent(child));
      return std::string(Text(content.get()));
    }
  return std::nullopt;
}

std::optional<LONG> Integer(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  LONG value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

// The DisplayName property among the element's children.
std::string DisplayName(const xmlNode* element) {
  for (const xmlNode* child = element->children; child; child = child->next)
    if (Is(child, "Property") && Name(child) == "psk:DisplayName") return ValueOf(child).value_or("");
  return "";
}

OfferedFeature ReadFeature(const xmlNode* feature) {
  OfferedFeature offered{DisplayName(feature), {}};
  for (const xmlNode* child = feature->children; child; child = child->next) {
    if (!Is(child, "Option")) continue;
    OfferedOption option{Attribute(child, "name").empty() ? "" : Name(child), DisplayName(child), {}};
    for (const xmlNode* scored = child->children; scored; scored = scored->next)
      if (Is(scored, "ScoredProperty"))
        if (const std::optional<LONG> value = Integer(ValueOf(scored))) option.scored[Name(scored)] = *value;
    offered.options.push_back(std::move(option));
  }
  return offered;
}

OfferedParameter ReadParameter(const xmlNode* definition) {
  OfferedParameter parameter{DisplayName(definition), 0, 0, 0};
  for (const xmlNode* child = definition->children; child; child = child->next) {
    if (!Is(child, "Property")) continue;
    const std::string name = Name(child);
    // The framework's own properties: their local names are enough.
    const std::string local = name.substr(name.find_last_of(":}") + 1);
    LONG* const field = local == "MinValue" ? &parameter.min
            : local == "MaxValue" ? &parameter.max
            : local == "DefaultValue" ? &parameter.fallback
                                      : nullptr;
    if (field)
      if (const std::optional<LONG> value = Integer(ValueOf(child))) *field = *value;
  }
  return parameter;
}

}  // namespace

const OfferedFeature& PrinterOffer::Feature(std::string_view name) const {
  const auto found = features.find(name);
  if (found == features.end()) throw std::out_of_range("the printer describes no feature " + std::string(name));
  return found->second;
}

const OfferedParameter& PrinterOffer::Parameter(std::string_view name) const {
  const auto found = parameters.find(name);
  if (found == parameters.end()) throw std::out_of_range("the printer describes no parameter " + std::string(name));
  return found->second;
}

PrinterOffer ReadPrinterOffer(std::string_view capabilities) {
  const safexml::ReadResult read = safexml::Read(capabilities);
  const xmlNode* root = read.document ? xmlDocGetRootElement(read.document.get()) : nullptr;
  if (!root || !Is(root, "PrintCapabilities")) throw std::runtime_error("the printer's capabilities do not read");
  PrinterOffer offer;
  for (const xmlNode* child = root->children; child; child = child->next) {
    if (Is(child, "Feature")) offer.features.emplace(Name(child), ReadFeature(child));
    if (Is(child, "ParameterDef")) offer.parameters.emplace(Name(child), ReadParameter(child));
  }
  return offer;
}

}  // namespace kestrel::print_options
