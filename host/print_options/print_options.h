// Print options as lp, lpr and cupsfilter take them (-o NAME=VALUE, -o NAME),
// made into the job's print ticket: each option edits the ticket with the
// settings writers (the rows of print_option_table.cpp), the edits are
// checked by the print ticket provider against the printer and merged onto
// the job's own ticket, so the filters see what a ticket file would give them.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/print_options/print_option_table.h"
#include "platform/print_ticket_provider.h"

namespace kestrel::print_options {

struct PrintOption {
  std::string name;
  std::optional<std::string> value;  // none for -o NAME alone

  std::string Spelling() const { return value ? name + "=" + *value : name; }
};

// The options of one -o argument: NAME=VALUE, NAME, or several of them
// separated by spaces, as lp reads them (a value may be quoted, with ' or ",
// and a backslash takes the next character as it stands).
std::vector<PrintOption> SplitPrintOptions(std::string_view argument);

// An option the printer cannot take, or options that contradict each other:
// one line naming the option and what is accepted.
class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws OptionError for a name no row has.
void CheckOptionNames(std::span<const PrintOption> options);

// The print ticket of one fixed document of the job.
struct DocumentTicket {
  std::string part;  // the fixed document's part name
  std::string bytes;
};

struct OptionedTicket {
  std::string job_ticket;          // the job's ticket with the options applied
  // Options that change what the job's own ticket asked for, and options
  // that a document's own ticket outranks for its pages.
  std::vector<std::string> notes;
};

// Applies the options (a later one of the same name wins) on top of the
// job's own ticket, if there is one, with the user's ticket under both.
// The documents' tickets are only read, for the notes. provider is open for
// the printer. Throws OptionError, or std::runtime_error for a ticket that is not one.
OptionedTicket ApplyPrintOptions(HPTPROVIDER provider, std::span<const PrintOption> options,
                                 std::string_view user_ticket, std::optional<std::string_view> job_ticket,
                                 std::span<const DocumentTicket> documents = {});

struct OptionSummary {
  const OptionRow* row = nullptr;
  Offer offer;
  std::optional<std::string> fallback;  // what the user's ticket gives
};

// The printer's PrintCapabilities document for a ticket, as text; throws
// std::runtime_error with the provider's message.
std::string PrinterCapabilities(HPTPROVIDER provider, std::string_view ticket);

// Every option with the values the printer takes, in the table's order.
std::vector<OptionSummary> DescribePrintOptions(HPTPROVIDER provider, std::string_view user_ticket);

}  // namespace kestrel::print_options
