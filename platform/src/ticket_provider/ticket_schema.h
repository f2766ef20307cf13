// The Print Schema vocabulary the provider works with: ticket roots, the top-level items
// merged by name, their scopes, and how an option of a ticket meets the description.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/print_ticket_provider.h"
#include "printer_description.h"
#include "xml_support.h"

// Elements of the framework namespace.
bool IsFramework(const xmlNode* node, const char* local);

// The top-level elements a merge replaces by kind and name.
enum class ItemKind { kFeature, kParameterInit, kProperty };
std::optional<ItemKind> KindOf(const xmlNode* node);

struct ItemKey {
  ItemKind kind;
  QualifiedName name;
  bool operator==(const ItemKey&) const = default;
};
struct ItemKeyHash {
  std::size_t operator()(const ItemKey& k) const {
    return QualifiedNameHash{}(k.name) * 3 + static_cast<std::size_t>(k.kind);
  }
};

// Throws TicketError{failure} unless the document is a print ticket of the framework
// namespace with version="1". `what` names the document in the message.
void CheckPrintTicket(xmlDoc* doc, HRESULT failure, const std::string& what);

// Calls visit(element, key) for every top-level Feature, ParameterInit and Property;
// throws TicketError{failure} for one without a resolvable name.
void ForEachItem(xmlDoc* doc, HRESULT failure, const std::string& what,
                 const std::function<void(xmlNode*, const ItemKey&)>& visit);

// Job..., Document... and Page... names belong to those scopes; other names to all.
bool InScope(const QualifiedName& name, EPrintTicketScope scope);

// Removes the top-level items that do not belong to the scope.
void RemoveItemsOutOfScope(xmlDoc* doc, EPrintTicketScope scope);

// The name attribute of an element resolved where it stands.
std::optional<QualifiedName> NameOf(xmlNode* element);

// The value of a top-level ParameterInit of the ticket, when it holds a 32-bit integer.
std::optional<std::int32_t> ParameterValue(xmlDoc* doc, const QualifiedName& parameter);
// An option's ScoredProperty as an integer: its Value, or the ParameterInit its ParameterRef names.
std::optional<std::int32_t> ScoredInteger(xmlNode* option, const QualifiedName& scored);
// An option's ScoredProperty Value as trimmed text; nullopt without a literal Value.
std::optional<std::string> ScoredText(xmlNode* option, const QualifiedName& scored);

// The described option a ticket Option stands for: by name when it has one, otherwise
// by the described option's literal scored properties. nullptr when none matches.
const OptionDescription* MatchOption(xmlNode* option, const FeatureDescription& feature);
