#include "host/print_options/print_options.h"

#include <algorithm>
#include <map>

#include "host/print_options/option_values.h"
#include "host/print_options/printer_offer.h"
#include "host/print_options/ticket_edit.h"
#include "platform/utf.h"

namespace kestrel::print_options {
namespace {

const OptionRow* FindRow(std::string_view name) {
  for (const OptionRow& row : PrintOptionRows())
    if (row.name == name) return &row;
  return nullptr;
}

std::string MessageOf(const Bstr& message, HRESULT hr) {
  const std::string text = message.Get() ? Utf16ToUtf8(message.View()).value_or("") : "";
  return text.empty() ? HresultName(hr) : text;
}

// The provider's result for a call writing into a stream.
template <class Call>
std::string Ask(Call call, const std::string& what) {
  const ComPtr<IStream> result = StreamOnBytes("");
  Bstr message;
  const HRESULT hr = call(result.Get(), message.Put());
  if (FAILED(hr)) throw std::runtime_error(what + ": " + MessageOf(message, hr));
  return BytesOfStream(result.Get());
}

// delta merged onto base at job scope and validated; conflicts says what the provider had to change.
std::string Merge(HPTPROVIDER provider, std::string_view base, std::string_view delta, std::string& conflicts) {
  const ComPtr<IStream> base_stream = StreamOnBytes(base), delta_stream = StreamOnBytes(delta);
  const ComPtr<IStream> result = StreamOnBytes("");
  Bstr message;
  const HRESULT hr = PTMergeAndValidatePrintTicket(provider, base_stream.Get(), delta_stream.Get(), kPTJobScope,
                                                   result.Get(), message.Put());
  if (FAILED(hr)) throw std::runtime_error("the job's print ticket: " + MessageOf(message, hr));
  conflicts = hr == S_PT_CONFLICT_RESOLVED ? MessageOf(message, hr) : "";
  return BytesOfStream(result.Get());
}

PrinterOffer ReadOffer(HPTPROVIDER provider, std::string_view user_ticket) {
  return ReadPrinterOffer(PrinterCapabilities(provider, user_ticket));
}

// "the printer offers 1, 2 or 4", or what form the value takes, or both.
std::string Accepted(const Offer& offer) {
  std::string text;
  for (std::size_t i = 0; i < offer.choices.size(); ++i)
    text += (i == 0 ? "" : i + 1 == offer.choices.size() && offer.accepts.empty() ? " or " : ", ") + offer.choices[i].value;
  if (!offer.accepts.empty()) text += (text.empty() ? "" : ", or ") + offer.accepts;
  return offer.choices.empty() ? "wants " + text : "the printer offers " + text;
}

std::string Refusal(const PrintOption& option, const Offer& offer, const std::string& why = "") {
  return "-o " + option.Spelling() + ": " + (why.empty() ? Accepted(offer) : why);
}

// The choice an option's value names.
Choice Resolve(const OptionRow& row, const Offer& offer, const PrintOption& option) {
  if (!option.value && row.bare.empty()) throw OptionError("-o " + option.name + " needs a value: " + Accepted(offer));
  std::string value = option.value.value_or(std::string(row.bare));
  if (!row.bare.empty() && (SameWord(value, "true") || SameWord(value, "yes") || SameWord(value, "on")))
    value = row.bare;
  if (!row.off.empty() && (SameWord(value, "false") || SameWord(value, "no") || SameWord(value, "off")))
    value = row.off;
  for (const Choice& choice : offer.choices)
    if (SameWord(choice.value, value) ||
        std::any_of(choice.aliases.begin(), choice.aliases.end(), [&](const auto& a) { return SameWord(a, value); }))
      return choice;
  if (offer.accepts.empty() || value.empty()) throw OptionError(Refusal(option, offer));
  return {value, {}, std::nullopt, 0};
}

struct Given {
  PrintOption option;
  const OptionRow* row;
  Offer offer;
  Choice choice;
};

void CheckContradictions(const std::map<std::string_view, Given>& given) {
  for (const Contradiction& c : PrintOptionContradictions()) {
    const auto first = given.find(c.first), second = given.find(c.second);
    if (first == given.end() || second == given.end()) continue;
    if (c.clash(first->second.choice, second->second.choice))
      throw OptionError("-o " + first->second.option.Spelling() + " and -o " + second->second.option.Spelling() +
                        " contradict each other: " + std::string(c.why));
  }
}

}  // namespace

std::vector<PrintOption> SplitPrintOptions(std::string_view argument) {
  std::vector<PrintOption> options;
  std::size_t i = 0;
  while ((i = argument.find_first_not_of(' ', i)) != std::string_view::npos) {
    // A word ends at a blank outside quotes; quotes and backslashes are taken
    // off, so that a value may hold blanks: header-footer-id='R&D lab'.
    std::string word;
    std::optional<std::size_t> equals;
    char quote = 0;
    for (; i < argument.size() && (quote || argument[i] != ' '); ++i) {
      const char c = argument[i];
      if (c == '\\' && i + 1 < argument.size()) {
        word += argument[++i];
      } else if (quote ? c == quote : (c == '\'' || c == '"')) {
        quote = quote ? 0 : c;
      } else {
        if (c == '=' && !equals && !quote) equals = word.size();
        word += c;
      }
    }
    if (!equals)
      options.push_back({word, std::nullopt});
    else
      options.push_back({word.substr(0, *equals), word.substr(*equals + 1)});
  }
  return options;
}

void CheckOptionNames(std::span<const PrintOption> options) {
  for (const PrintOption& option : options) {
    if (FindRow(option.name)) continue;
    if (option.name.find_first_of("./") != std::string::npos)
      throw OptionError("-o " + option.Spelling() +
                        ": no such print option; the output file is now the second argument (run IN OUT) or --output FILE");
    throw OptionError("-o " + option.Spelling() + ": no such print option (xpspipe options lists them)");
  }
}

OptionedTicket ApplyPrintOptions(HPTPROVIDER provider, std::span<const PrintOption> options,
                                 std::string_view user_ticket, std::optional<std::string_view> job_ticket,
                                 std::span<const DocumentTicket> documents) {
  CheckOptionNames(options);
  const PrinterOffer printer = ReadOffer(provider, user_ticket);
  std::map<std::string_view, Given> given;  // by name: the last one given counts
  for (const PrintOption& option : options) {
    const OptionRow& row = *FindRow(option.name);
    Offer offer = row.offer(printer);
    Choice choice = Resolve(row, offer, option);
    given.insert_or_assign(row.name, Given{option, &row, std::move(offer), std::move(choice)});
  }
  CheckContradictions(given);

  TicketEdit edit(user_ticket, job_ticket);
  std::vector<std::pair<std::string, std::unique_ptr<PrintTicketDom>>> document_tickets;
  for (const DocumentTicket& document : documents)
    document_tickets.emplace_back(document.part,
                                  WrapTicket(document.bytes, "the print ticket of " + document.part));
  OptionedTicket result;
  for (const OptionRow& row : PrintOptionRows()) {
    const auto found = given.find(row.name);
    if (found == given.end()) continue;
    const Given& g = found->second;
    try {
      row.apply(edit, g.choice, printer);
    } catch (const BadValue& bad) {
      throw OptionError(Refusal(g.option, g.offer, bad.what()));
    }
    const std::optional<std::string> now = row.given(edit.Delta(), g.offer);
    const auto asks = [&](const PrintTicketDom& ticket) -> std::optional<std::string> {
      if (!HasItem(ticket, row.item)) return std::nullopt;
      const std::optional<std::string> asked = row.given(ticket, g.offer);
      if (asked == now) return std::nullopt;
      return std::string(row.name) + "=" + asked.value_or("something else");
    };
    if (edit.Job())
      if (const std::optional<std::string> asked = asks(*edit.Job()))
        result.notes.push_back("-o " + g.option.Spelling() + " overrides the job's print ticket, which asks for " +
                               *asked);
    // A document's ticket outranks the job's for its own document- and page-scoped features.
    const std::string_view local = std::string_view(row.item).substr(row.item.find(':') + 1);
    if (!local.starts_with("Document") && !local.starts_with("Page")) continue;
    for (const auto& [part, ticket] : document_tickets)
      if (const std::optional<std::string> asked = asks(*ticket))
        result.notes.push_back("-o " + g.option.Spelling() + ": the print ticket of " + part + " asks for " + *asked +
                               ", which its pages keep");
  }

  // The provider checks the edits against the printer, then merges them onto the job's ticket.
  const std::string delta = edit.DeltaTicket();
  const std::string defaults = Ask(
      [&](IStream* out, BSTR* message) { return WritePrinterDefaultTicket(provider, out, message); },
      "the printer's default ticket");
  std::string conflicts;
  Merge(provider, defaults, delta, conflicts);
  if (!conflicts.empty()) throw OptionError("the printer does not take these options: " + conflicts);
  result.job_ticket = Merge(provider, job_ticket.value_or(kEmptyTicket), delta, conflicts);
  return result;
}

std::string PrinterCapabilities(HPTPROVIDER provider, std::string_view ticket) {
  const ComPtr<IStream> stream = StreamOnBytes(ticket);
  return Ask([&](IStream* out, BSTR* message) { return PTGetPrintCapabilities(provider, stream.Get(), out, message); },
             "the printer's capabilities");
}

std::vector<OptionSummary> DescribePrintOptions(HPTPROVIDER provider, std::string_view user_ticket) {
  const PrinterOffer printer = ReadOffer(provider, user_ticket);
  const TicketEdit edit(user_ticket, std::nullopt);
  std::vector<OptionSummary> summaries;
  for (const OptionRow& row : PrintOptionRows()) {
    OptionSummary summary{&row, row.offer(printer), std::nullopt};
    summary.fallback = row.given(edit.User(), summary.offer);
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

}  // namespace kestrel::print_options
