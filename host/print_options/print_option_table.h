// The print options xpspipe takes (-o NAME=VALUE): one row per option, in
// print_option_table.cpp. A row says which values the option takes (built
// from the printer's capabilities wherever the printer describes them), what
// a ticket's value is in those terms, and how the option edits the ticket.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/print_options/printer_offer.h"
#include "host/print_options/ticket_edit.h"

namespace kestrel::print_options {

// One value an option takes.
struct Choice {
  std::string value;                    // as users type it (compared without regard to case)
  std::vector<std::string> aliases;     // other spellings taken for it
  std::optional<OfferedOption> option;  // the printer's option it selects
  LONG index = 0;                       // the table index or number it stands for
};

struct Offer {
  std::vector<Choice> choices;
  // Also takes other values of this form (the row's apply reads them); empty: the choices only.
  std::string accepts;
};

// A value the row cannot take; the message says what it takes instead.
class BadValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionRow {
  std::string_view name;
  std::string_view title;  // what it sets, for `xpspipe options`
  // The top-level ticket item it edits: a note is given when the job's own
  // ticket asked for another value of it.
  std::string_view item;
  std::string_view bare;  // what -o NAME alone, true, yes and on mean; empty when a value is needed
  std::string_view off;   // what false, no and off mean
  Offer (*offer)(const PrinterOffer& printer);
  // The value a ticket gives (from the settings' defaults), when it is one the offer can name.
  std::optional<std::string> (*given)(const PrintTicketDom& ticket, const Offer& offer);
  // Edits the ticket. A choice of the offer, or a value of the `accepts` form
  // in choice.value alone; throws BadValue.
  void (*apply)(TicketEdit& edit, const Choice& choice, const PrinterOffer& printer);
};

// Two options that cannot be asked for together with these values.
struct Contradiction {
  std::string_view first;
  std::string_view second;
  bool (*clash)(const Choice& first, const Choice& second);
  std::string_view why;
};

// In the order options are applied: whatever an option needs in force comes before it.
std::span<const OptionRow> PrintOptionRows();
std::span<const Contradiction> PrintOptionContradictions();

}  // namespace kestrel::print_options
