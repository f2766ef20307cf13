// What the printer offers, read from its PrintCapabilities document: each
// feature's options (with their literal integer scored properties) and the
// integer parameters with their ranges. Names are canonical, whatever prefixes
// the document declares: "psk:" for the Print Schema keywords, "kp:" for the
// driver's private keywords.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kestrel::print_options {

struct OfferedOption {
  std::string name;  // canonical ("psk:OneSided"); empty for an unnamed option
  std::string display;
  std::map<std::string, LONG> scored;  // literal integer scored properties, by canonical name
};

struct OfferedFeature {
  std::string display;
  std::vector<OfferedOption> options;
};

struct OfferedParameter {
  std::string display;
  LONG min = 0;
  LONG max = 0;
  LONG fallback = 0;  // the printer's default value
};

struct PrinterOffer {
  std::map<std::string, OfferedFeature, std::less<>> features;
  std::map<std::string, OfferedParameter, std::less<>> parameters;

  // Throw std::out_of_range naming what the printer does not describe.
  const OfferedFeature& Feature(std::string_view name) const;
  const OfferedParameter& Parameter(std::string_view name) const;
};

// Throws std::runtime_error for a document that is not print capabilities.
PrinterOffer ReadPrinterOffer(std::string_view capabilities);

}  // namespace kestrel::print_options
