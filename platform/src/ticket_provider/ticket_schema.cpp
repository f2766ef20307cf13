#include "ticket_schema.h"

namespace {

const QualifiedName* DescribedName(const OptionDescription& o) { return o.name ? &*o.name : nullptr; }

bool ScoredPropertiesMatch(xmlNode* option, const OptionDescription& described) {
  bool any = false;
  for (const ScoredValueDescription& s : described.scored) {
    if (!s.integer) continue;
    if (ScoredInteger(option, s.name) != s.integer) return false;
    any = true;
  }
  return any;
}

}  // namespace

bool IsFramework(const xmlNode* node, const char* local) {
  return IsElement(node, kPrintSchemaFrameworkNamespace, local);
}

std::optional<ItemKind> KindOf(const xmlNode* node) {
  if (IsFramework(node, "Feature")) return ItemKind::kFeature;
  if (IsFramework(node, "ParameterInit")) return ItemKind::kParameterInit;
  if (IsFramework(node, "Property")) return ItemKind::kProperty;
  return std::nullopt;
}

void CheckPrintTicket(xmlDoc* doc, HRESULT failure, const std::string& what) {
  const xmlNode* root = xmlDocGetRootElement(doc);
  if (!IsFramework(root, "PrintTicket"))
    throw TicketError{failure, what + ": the root element is not a PrintTicket of the Print Schema framework"};
  if (Attribute(root, "version") != "1") throw TicketError{failure, what + ": the PrintTicket is not of version 1"};
}

std::optional<QualifiedName> NameOf(xmlNode* element) {
  const auto text = Attribute(element, "name");
  if (!text) return std::nullopt;
  return ResolveQName(element, *text);
}

void ForEachItem(xmlDoc* doc, HRESULT failure, const std::string& what,
                 const std::function<void(xmlNode*, const ItemKey&)>& visit) {
  xmlNode* next = nullptr;
  for (xmlNode* n = xmlDocGetRootElement(doc)->children; n; n = next) {
    next = n->next;  // visit may replace n
    const auto kind = KindOf(n);
    if (!kind) continue;
    const auto name = NameOf(n);
    if (!name)
      throw TicketError{failure, what + ": line " + std::to_string(xmlGetLineNo(n)) + ": a " +
                                     reinterpret_cast<const char*>(n->name) +
                                     " without a name in a declared namespace"};
    visit(n, ItemKey{*kind, *name});
  }
}

bool InScope(const QualifiedName& name, EPrintTicketScope scope) {
  if (name.local.starts_with("Job")) return scope == kPTJobScope;
  if (name.local.starts_with("Document")) return scope != kPTPageScope;
  return true;
}

void RemoveItemsOutOfScope(xmlDoc* doc, EPrintTicketScope scope) {
  ForEachItem(doc, E_PRINTTICKET_FORMAT, "ticket", [scope](xmlNode* n, const ItemKey& key) {
    if (InScope(key.name, scope)) return;
    xmlUnlinkNode(n);
    xmlFreeNode(n);
  });
}

std::optional<std::int32_t> ParameterValue(xmlDoc* doc, const QualifiedName& parameter) {
  for (xmlNode* n = xmlDocGetRootElement(doc)->children; n; n = n->next) {
    if (!IsFramework(n, "ParameterInit") || NameOf(n) != parameter) continue;
    const xmlNode* value = ChildElement(n, kPrintSchemaFrameworkNamespace, "Value");
    return value ? ParseInt32(TextOf(value)) : std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::int32_t> ScoredInteger(xmlNode* option, const QualifiedName& scored) {
  for (xmlNode* s = option->children; s; s = s->next) {
    if (!IsFramework(s, "ScoredProperty") || NameOf(s) != scored) continue;
    if (const xmlNode* value = ChildElement(s, kPrintSchemaFrameworkNamespace, "Value"))
      return ParseInt32(TextOf(value));
    if (xmlNode* ref = ChildElement(s, kPrintSchemaFrameworkNamespace, "ParameterRef"))
      if (const auto parameter = NameOf(ref)) return ParameterValue(option->doc, *parameter);
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> ScoredText(xmlNode* option, const QualifiedName& scored) {
  for (xmlNode* s = option->children; s; s = s->next) {
    if (!IsFramework(s, "ScoredProperty") || NameOf(s) != scored) continue;
    const xmlNode* value = ChildElement(s, kPrintSchemaFrameworkNamespace, "Value");
    return value ? std::optional<std::string>(TextOf(value)) : std::nullopt;
  }
  return std::nullopt;
}

const OptionDescription* MatchOption(xmlNode* option, const FeatureDescription& feature) {
  if (Attribute(option, "name")) {
    const auto name = NameOf(option);
    if (!name) return nullptr;
    for (const OptionDescription& o : feature.options)
      if (const QualifiedName* n = DescribedName(o); n && *n == *name) return &o;
    return nullptr;
  }
  for (const OptionDescription& o : feature.options)
    if (ScoredPropertiesMatch(option, o)) return &o;
  return nullptr;
}
