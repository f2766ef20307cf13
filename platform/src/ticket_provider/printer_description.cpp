#include "printer_description.h"

#include <fstream>
#include <sstream>

namespace {

const HRESULT kInvalid = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

class Loader {
 public:
  explicit Loader(std::string path) : path_(std::move(path)) {}

  std::shared_ptr<const PrinterDescription> Load() {
    const XmlDoc doc = ParseXml(ReadFile(), kInvalid, "printer description " + path_);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!IsElement(root, kPrinterDescriptionNamespace, "PrinterDescription") || Attribute(root, "version") != "1")
      Fail(root, "the root is not a PrinterDescription of version 1");
    auto description = std::make_shared<PrinterDescription>();
    for (const xmlNs* ns = root->nsDef; ns; ns = ns->next)
      if (ns->prefix && ns->href)
        description->namespaces.push_back({reinterpret_cast<const char*>(ns->href),
                                           reinterpret_cast<const char*>(ns->prefix)});
    for (xmlNode* n = root->children; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE) continue;
      if (IsElement(n, kPrinterDescriptionNamespace, "Printer")) {
        description->model = Required(n, "model");
      } else if (IsElement(n, kPrinterDescriptionNamespace, "HardwareMargins")) {
        description->margins = {Length(n, "left"), Length(n, "top"), Length(n, "right"), Length(n, "bottom")};
      } else if (IsElement(n, kPrinterDescriptionNamespace, "Feature")) {
        description->features.push_back(ReadFeature(n));
      } else if (IsElement(n, kPrinterDescriptionNamespace, "Parameter")) {
        description->parameters.push_back(ReadParameter(n));
      } else {
        Fail(n, "unknown element");
      }
    }
    if (description->model.empty()) Fail(root, "no Printer model");
    if (!description->Index()) Fail(root, "two features or two parameters share a name");
    CheckReferences(*description, root);
    return description;
  }

 private:
  [[noreturn]] void Fail(const xmlNode* node, const std::string& why) const {
    throw TicketError{kInvalid, "printer description " + path_ + ": line " +
                                    std::to_string(node ? xmlGetLineNo(node) : 0) + ": " + why};
  }

  std::string ReadFile() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in)
      throw TicketError{HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "printer description " + path_ + " not found"};
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::string Required(const xmlNode* n, const char* attribute) const {
    auto value = Attribute(n, attribute);
    if (!value || value->empty()) Fail(n, std::string("missing attribute ") + attribute);
    return *value;
  }

  std::int32_t Integer(const xmlNode* n, const char* attribute) const {
    const auto value = ParseInt32(Required(n, attribute));
    if (!value) Fail(n, std::string("attribute ") + attribute + " is not a 32-bit integer");
    return *value;
  }

  std::int32_t Length(const xmlNode* n, const char* attribute) const {
    const std::int32_t value = Integer(n, attribute);
    if (value < 0) Fail(n, std::string("attribute ") + attribute + " is negative");
    return value;
  }

  QualifiedName Name(xmlNode* n, const char* attribute) const {
    const std::string text = Required(n, attribute);
    auto name = ResolveQName(n, text);
    if (!name || name->uri.empty()) Fail(n, "'" + text + "' is not a qualified name with a declared prefix");
    return *name;
  }

  FeatureDescription ReadFeature(xmlNode* n) const {
    FeatureDescription feature{Name(n, "name"), Attribute(n, "displayName").value_or(""),
                               Attribute(n, "validate") != "false", {}, 0};
    bool has_default = false;
    for (xmlNode* o = n->children; o; o = o->next) {
      if (o->type != XML_ELEMENT_NODE) continue;
      if (!IsElement(o, kPrinterDescriptionNamespace, "Option")) Fail(o, "a Feature holds only Option elements");
      if (Attribute(o, "default") == "true") {
        if (has_default) Fail(o, "a second default option");
        has_default = true;
        feature.default_option = feature.options.size();
      }
      feature.options.push_back(ReadOption(o));
    }
    if (!has_default) Fail(n, "the feature has no default option");
    return feature;
  }

  OptionDescription ReadOption(xmlNode* o) const {
    OptionDescription option;
    if (Attribute(o, "name")) option.name = Name(o, "name");
    option.display_name = Attribute(o, "displayName").value_or("");
    option.form = Attribute(o, "form").value_or("");
    if (Attribute(o, "devmode")) option.devmode = Integer(o, "devmode");
    for (xmlNode* s = o->children; s; s = s->next) {
      if (s->type != XML_ELEMENT_NODE) continue;
      if (!IsElement(s, kPrinterDescriptionNamespace, "ScoredProperty"))
        Fail(s, "an Option holds only ScoredProperty elements");
      ScoredValueDescription value{Name(s, "name"), std::nullopt, std::nullopt};
      if (Attribute(s, "integer")) value.integer = Integer(s, "integer");
      if (Attribute(s, "parameter")) value.parameter = Name(s, "parameter");
      if (value.integer.has_value() == value.parameter.has_value())
        Fail(s, "a ScoredProperty has either an integer or a parameter");
      option.scored.push_back(std::move(value));
    }
    if (!option.name && option.scored.empty()) Fail(o, "an unnamed option needs scored properties");
    return option;
  }

  ParameterDescription ReadParameter(xmlNode* n) const {
    ParameterDescription p{Name(n, "name"), Attribute(n, "displayName").value_or(""),
                           Attribute(n, "unit").value_or(""), Integer(n, "min"), Integer(n, "max"),
                           Integer(n, "default")};
    if (p.min > p.default_value || p.default_value > p.max) Fail(n, "the default is outside min to max");
    return p;
  }

  void CheckReferences(const PrinterDescription& d, const xmlNode* root) const {
    for (const FeatureDescription& f : d.features)
      for (const OptionDescription& o : f.options)
        for (const ScoredValueDescription& s : o.scored)
          if (s.parameter && !d.Parameter(*s.parameter))
            Fail(root, "feature " + f.name.local + " refers to the undescribed parameter " + s.parameter->local);
  }

  std::string path_;
};

}  // namespace

std::optional<std::int32_t> OptionDescription::Integer(const QualifiedName& scored_name) const {
  for (const ScoredValueDescription& s : scored)
    if (s.name == scored_name) return s.integer;
  return std::nullopt;
}

const FeatureDescription* PrinterDescription::Feature(const QualifiedName& name) const {
  const auto it = feature_index_.find(name);
  return it == feature_index_.end() ? nullptr : &features[it->second];
}

const ParameterDescription* PrinterDescription::Parameter(const QualifiedName& name) const {
  const auto it = parameter_index_.find(name);
  return it == parameter_index_.end() ? nullptr : &parameters[it->second];
}

bool PrinterDescription::Index() {
  feature_index_.clear();
  parameter_index_.clear();
  for (std::size_t i = 0; i < features.size(); ++i) feature_index_.emplace(features[i].name, i);
  for (std::size_t i = 0; i < parameters.size(); ++i) parameter_index_.emplace(parameters[i].name, i);
  return feature_index_.size() == features.size() && parameter_index_.size() == parameters.size();
}

std::shared_ptr<const PrinterDescription> LoadPrinterDescription(const std::string& path) {
  return Loader(path).Load();
}
