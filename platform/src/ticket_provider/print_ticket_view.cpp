// The driver's read-only view of a validated ticket, over the provider's TicketSettings.
#include <vector>

#include "platform/devmode_extension.h"
#include "schema_writer.h"
#include "ticket_schema.h"
#include "ticket_settings.h"

namespace {

QualifiedName Internal(const PrintSchemaName& name) { return {name.uri, name.local}; }

std::optional<PrintSchemaName> Public(const std::optional<QualifiedName>& name) {
  if (!name) return std::nullopt;
  return PrintSchemaName{name->uri, name->local};
}

const OptionDescription* Selected(const TicketSettings& settings, const PrintSchemaName& feature,
                                  std::initializer_list<PrintSchemaName> carriers) {
  if (carriers.size() == 0) return settings.Selected(Internal(feature));
  std::vector<QualifiedName> names;
  for (const PrintSchemaName& carrier : carriers) names.push_back(Internal(carrier));
  // TicketSettings takes its carriers as a braced list: the first one carried stands for
  // all, and one not carried gives the default as the whole list would.
  for (const QualifiedName& name : names)
    if (settings.OptionNode(name)) return settings.Selected(Internal(feature), {name});
  return settings.Selected(Internal(feature), {names.front()});
}

// The Value of the Property along path[depth..] among the children of parent.
std::optional<std::string> PropertyValueBelow(xmlNode* parent, std::initializer_list<PrintSchemaName> path,
                                              std::size_t depth) {
  const QualifiedName wanted = Internal(path.begin()[depth]);
  for (xmlNode* n = parent->children; n; n = n->next) {
    if (!IsFramework(n, "Property") || NameOf(n) != wanted) continue;
    if (depth + 1 < path.size()) {
      if (auto value = PropertyValueBelow(n, path, depth + 1)) return value;
    } else if (const xmlNode* value = ChildElement(n, kPrintSchemaFrameworkNamespace, "Value")) {
      return TextOf(value);
    }
  }
  return std::nullopt;
}

}  // namespace

bool PrintTicketView::CarriesOption(const PrintSchemaName& feature) const {
  return settings_.OptionNode(Internal(feature)) != nullptr;
}

std::optional<PrintSchemaName> PrintTicketView::OptionName(const PrintSchemaName& feature) const {
  return Public(settings_.OptionName(Internal(feature)));
}

std::optional<std::int32_t> PrintTicketView::ScoredValue(const PrintSchemaName& feature,
                                                         const PrintSchemaName& scored) const {
  return settings_.Scored(Internal(feature), Internal(scored));
}

std::optional<std::string> PrintTicketView::ScoredText(const PrintSchemaName& feature,
                                                       const PrintSchemaName& scored) const {
  return settings_.ScoredText(Internal(feature), Internal(scored));
}

std::optional<PrintSchemaName> PrintTicketView::SelectedOption(const PrintSchemaName& feature,
                                                               std::initializer_list<PrintSchemaName> carriers) const {
  const OptionDescription* option = Selected(settings_, feature, carriers);
  return option ? Public(option->name) : std::nullopt;
}

std::optional<std::int32_t> PrintTicketView::SelectedScoredValue(const PrintSchemaName& feature,
                                                                 const PrintSchemaName& scored,
                                                                 std::initializer_list<PrintSchemaName> carriers) const {
  const OptionDescription* option = Selected(settings_, feature, carriers);
  return option ? option->Integer(Internal(scored)) : std::nullopt;
}

std::optional<std::string> PrintTicketView::PropertyValue(std::initializer_list<PrintSchemaName> path) const {
  if (path.size() == 0) return std::nullopt;
  return PropertyValueBelow(xmlDocGetRootElement(settings_.Document()), path, 0);
}

TicketPageGeometry PrintTicketView::PageGeometry() const {
  const PageArea area = settings_.Imageable();
  return {settings_.MediaWidth(),   settings_.MediaHeight(),  settings_.PageOrientation(),
          area.origin_width,        area.origin_height,       area.extent_width,
          area.extent_height};
}
