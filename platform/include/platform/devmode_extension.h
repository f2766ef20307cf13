// How a printer's driver adds its own part to the DEVMODEs of PTConvertPrintTicketToDevMode.
//
// The print ticket provider fills the public DEVMODEW from the printer description. A
// printer registered with a DevModeExtension (RegisterPrinter) also gets the driver's
// version in dmDriverVersion and, right after the public part, a private block of
// private_size bytes (dmDriverExtra), which fill_private writes from a read-only view of
// the validated ticket. The provider never looks inside the block.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "platform/types.h"

// A Print Schema name: namespace URI and local name, UTF-8.
struct PrintSchemaName {
  std::string uri;
  std::string local;
  bool operator==(const PrintSchemaName&) const = default;
};

// The values are the indices of the orientation options in the settings tables.
enum class PrintOrientation { kLandscape = 0, kPortrait = 1, kReverseLandscape = 2, kReversePortrait = 3 };

// The page a validated ticket describes, in microns.
struct TicketPageGeometry {
  std::int32_t media_width = 0;  // the media as fed, before orientation
  std::int32_t media_height = 0;
  PrintOrientation orientation = PrintOrientation::kPortrait;
  // The printable area of the page in its orientation.
  std::int32_t imageable_origin_width = 0;
  std::int32_t imageable_origin_height = 0;
  std::int32_t imageable_extent_width = 0;
  std::int32_t imageable_extent_height = 0;
};

class TicketSettings;  // the provider's own reading of a ticket

// A validated ticket as the printer description resolves it, lent for one call.
class PrintTicketView {
 public:
  explicit PrintTicketView(const TicketSettings& settings) : settings_(settings) {}

  // The ticket's own choice for a top-level feature: whether it carries the feature with
  // an Option, the option's name (nullopt when not carried or unnamed), and an integer
  // ScoredProperty of the option (its Value, or the ParameterInit its ParameterRef names).
  bool CarriesOption(const PrintSchemaName& feature) const;
  std::optional<PrintSchemaName> OptionName(const PrintSchemaName& feature) const;
  std::optional<std::int32_t> ScoredValue(const PrintSchemaName& feature, const PrintSchemaName& scored) const;
  // A ScoredProperty of the ticket's option as trimmed text (a string Value).
  std::optional<std::string> ScoredText(const PrintSchemaName& feature, const PrintSchemaName& scored) const;

  // The printer's option in force for a described feature: the described option the
  // ticket's choice stands for, taken from the first of `carriers` the ticket carries (the
  // feature itself when empty), else the described default. SelectedOption gives its
  // name, SelectedScoredValue a literal integer scored property of it as described; both
  // nullopt when the printer does not describe the feature.
  std::optional<PrintSchemaName> SelectedOption(const PrintSchemaName& feature,
                                                std::initializer_list<PrintSchemaName> carriers = {}) const;
  std::optional<std::int32_t> SelectedScoredValue(const PrintSchemaName& feature, const PrintSchemaName& scored,
                                                  std::initializer_list<PrintSchemaName> carriers = {}) const;

  // The trimmed Value text of the Property reached along `path`, a top-level Property
  // first, then Properties nested in it; nullopt when the ticket has none.
  std::optional<std::string> PropertyValue(std::initializer_list<PrintSchemaName> path) const;

  TicketPageGeometry PageGeometry() const;

 private:
  const TicketSettings& settings_;
};

struct DevModeExtension {
  WORD driver_version = 0;  // dmDriverVersion
  WORD private_size = 0;    // dmDriverExtra: bytes of the private block
  // Writes the private block (private_size bytes, handed over zeroed); may be empty. An
  // exception fails the conversion (E_OUTOFMEMORY for std::bad_alloc, else E_FAIL).
  std::function<void(const PrintTicketView& ticket, std::span<BYTE> block)> fill_private;
};
