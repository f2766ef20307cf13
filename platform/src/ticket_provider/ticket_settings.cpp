#include "ticket_settings.h"

#include "schema_writer.h"
#include "ticket_schema.h"

xmlNode* TicketSettings::OptionNode(const QualifiedName& feature) const {
  for (xmlNode* n = xmlDocGetRootElement(ticket_)->children; n; n = n->next)
    if (IsFramework(n, "Feature") && NameOf(n) == feature)
      return ChildElement(n, kPrintSchemaFrameworkNamespace, "Option");
  return nullptr;
}

std::optional<QualifiedName> TicketSettings::OptionName(const QualifiedName& feature) const {
  xmlNode* option = OptionNode(feature);
  return option ? NameOf(option) : std::nullopt;
}

const OptionDescription* TicketSettings::Selected(const QualifiedName& described,
                                                  std::initializer_list<QualifiedName> features) const {
  const FeatureDescription* feature = description_.Feature(described);
  if (!feature) return nullptr;
  const auto carried = [&]() -> xmlNode* {
    if (features.size() == 0) return OptionNode(described);
    for (const QualifiedName& name : features)
      if (xmlNode* option = OptionNode(name)) return option;
    return nullptr;
  };
  if (xmlNode* option = carried()) {
    const OptionDescription* offered = MatchOption(option, *feature);
    return offered ? offered : &feature->Default();
  }
  return &feature->Default();
}

std::optional<std::int32_t> TicketSettings::Scored(const QualifiedName& feature, const QualifiedName& scored) const {
  xmlNode* option = OptionNode(feature);
  return option ? ScoredInteger(option, scored) : std::nullopt;
}

std::optional<std::string> TicketSettings::ScoredText(const QualifiedName& feature,
                                                      const QualifiedName& scored) const {
  xmlNode* option = OptionNode(feature);
  return option ? ::ScoredText(option, scored) : std::nullopt;
}

std::optional<std::int32_t> TicketSettings::Parameter(const QualifiedName& parameter) const {
  if (const auto value = ParameterValue(ticket_, parameter)) return value;
  if (const ParameterDescription* described = description_.Parameter(parameter)) return described->default_value;
  return std::nullopt;
}

std::int32_t TicketSettings::MediaLength(const char* scored) const {
  const QualifiedName feature = Psk("PageMediaSize");
  if (const auto value = Scored(feature, Psk(scored)); value && *value > 0) return *value;
  if (const OptionDescription* selected = Selected(feature)) {
    for (const ScoredValueDescription& s : selected->scored) {
      if (s.name != Psk(scored)) continue;
      if (s.integer) return *s.integer;
      if (const auto value = Parameter(*s.parameter)) return *value;
    }
  }
  return 1;  // a description without the size: keep the geometry defined
}

std::int32_t TicketSettings::MediaWidth() const { return MediaLength("MediaSizeWidth"); }
std::int32_t TicketSettings::MediaHeight() const { return MediaLength("MediaSizeHeight"); }

Orientation TicketSettings::PageOrientation() const {
  const OptionDescription* option = Selected(Psk("PageOrientation"));
  if (!option || !option->name) return Orientation::kPortrait;
  const std::string& name = option->name->local;
  if (name == "Landscape") return Orientation::kLandscape;
  if (name == "ReverseLandscape") return Orientation::kReverseLandscape;
  if (name == "ReversePortrait") return Orientation::kReversePortrait;
  return Orientation::kPortrait;
}

PageArea TicketSettings::Imageable() const {
  return ImageableArea(MediaWidth(), MediaHeight(), PageOrientation(), description_.margins);
}
