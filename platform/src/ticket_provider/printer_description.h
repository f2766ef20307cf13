// What a printer offers, as read from its printer description file
// (driver/printer/README.md describes the format).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "xml_support.h"

inline constexpr char kPrinterDescriptionNamespace[] =
    "http://schemas.kestrel-print.example/kestrel/printing/2006/11/printerdescription";

// A scored property of an option: a literal integer or a reference to a parameter.
struct ScoredValueDescription {
  QualifiedName name;
  std::optional<std::int32_t> integer;
  std::optional<QualifiedName> parameter;
};

struct OptionDescription {
  std::optional<QualifiedName> name;  // unnamed options are told apart by their scored properties
  std::string display_name;
  std::vector<ScoredValueDescription> scored;
  std::optional<std::int32_t> devmode;  // the DEVMODE value this option stands for
  std::string form;                     // DEVMODE form name (media sizes)

  std::optional<std::int32_t> Integer(const QualifiedName& scored_name) const;
};

struct FeatureDescription {
  QualifiedName name;
  std::string display_name;
  bool validate = true;  // false: offered in the capabilities, never replaced in tickets
  std::vector<OptionDescription> options;
  std::size_t default_option = 0;

  const OptionDescription& Default() const { return options[default_option]; }
};

struct ParameterDescription {
  QualifiedName name;
  std::string display_name;
  std::string unit;
  std::int32_t min = 0;
  std::int32_t max = 0;
  std::int32_t default_value = 0;
};

// Microns on the edges of the media as it is fed, before any orientation.
struct Margins {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct NamespaceBinding {
  std::string uri;
  std::string prefix;
};

class PrinterDescription {
 public:
  std::string model;
  Margins margins;
  std::vector<FeatureDescription> features;
  std::vector<ParameterDescription> parameters;
  std::vector<NamespaceBinding> namespaces;  // as the file declares them: the prefixes documents prefer

  const FeatureDescription* Feature(const QualifiedName& name) const;
  const ParameterDescription* Parameter(const QualifiedName& name) const;
  // False when two features or two parameters share a name.
  bool Index();

 private:
  std::unordered_map<QualifiedName, std::size_t, QualifiedNameHash> feature_index_;
  std::unordered_map<QualifiedName, std::size_t, QualifiedNameHash> parameter_index_;
};

// Throws TicketError: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) or (ERROR_INVALID_DATA).
std::shared_ptr<const PrinterDescription> LoadPrinterDescription(const std::string& path);
