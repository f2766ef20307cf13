// Building blocks of the rows of the print option table: offers made from
// the printer's features or from a settings table, and the value a ticket gives.
#pragma once

#include <span>

#include "host/print_options/print_option_table.h"
#include "ticket/settings_support.h"

namespace kestrel::print_options {

// An option name ("psk:Color", or a settings table's "RightBottom") and the value users type for it.
struct Spelling {
  std::string_view option;
  std::string_view value;
};

// The value a printer option goes by, or nothing when the row does not offer it.
using OptionNamer = std::optional<std::string> (*)(const OfferedOption& option);

// The feature's options that the namer names, in the printer's order.
Offer FeatureOffer(const PrinterOffer& printer, std::string_view feature, OptionNamer namer);
// The spelling of the option, when the list has one.
std::optional<std::string> SpelledAs(std::span<const Spelling> spellings, const OfferedOption& option);
// Values the printer's capabilities do not list (sub-features of the
// layout): the settings table's entries that have a spelling, index = position in the table.
Offer TableOffer(OptionTable table, std::span<const Spelling> spellings);

// The value of the choice whose printer option the ticket selects for the feature.
std::optional<std::string> GivenOption(const PrintTicketDom& ticket, const Offer& offer, std::string_view feature);
// The value of the choice of that index.
std::optional<std::string> GivenIndex(const Offer& offer, LONG index);

// The record a ticket alone gives, from the record's defaults.
template <class Record>
Record ReadAlone(const PrintTicketDom& ticket, HRESULT (*reader)(const PrintTicketDom&, Record&)) {
  Record record;
  reader(ticket, record);
  return record;
}

// The local part of a canonical name: "psk:ISOA4" -> "ISOA4".
inline std::string LocalName(std::string_view canonical) {
  return std::string(canonical.substr(canonical.find(':') + 1));
}

// Microns as millimetres ("10mm", "12.7mm").
std::string Millimetres(LONG microns);

}  // namespace kestrel::print_options
