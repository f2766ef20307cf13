#include "host/xpspipe/options_tool.h"

#include <nlohmann/json.hpp>

#include "host/pipeline/host_error.h"
#include "host/xpspipe/job_setup.h"
#include "host/xpspipe/opened_printer.h"

namespace kestrel::xpspipe {
namespace {

using print_options::OptionSummary;

// NAME/Title: value *default value ...; and what else it takes.
void WriteText(const std::vector<OptionSummary>& summaries, std::ostream& out) {
  for (const OptionSummary& summary : summaries) {
    out << summary.row->name << '/' << summary.row->title << ':';
    bool marked = false;
    for (const print_options::Choice& choice : summary.offer.choices) {
      const bool is_default = choice.value == summary.fallback;
      marked = marked || is_default;
      out << ' ' << (is_default ? "*" : "") << choice.value;
    }
    if (!summary.offer.accepts.empty()) {
      if (!marked && summary.fallback) out << " *" << *summary.fallback;
      out << (!summary.offer.choices.empty() ? "; or " : summary.fallback ? "; " : " ") << summary.offer.accepts;
    }
    out << '\n';
  }
}

void WriteJson(const std::vector<OptionSummary>& summaries, std::ostream& out) {
  nlohmann::ordered_json options = nlohmann::ordered_json::array();
  for (const OptionSummary& summary : summaries) {
    nlohmann::ordered_json values = nlohmann::ordered_json::array();
    for (const print_options::Choice& choice : summary.offer.choices)
      values.push_back({{"value", choice.value}, {"aliases", choice.aliases}});
    nlohmann::ordered_json option = {{"name", summary.row->name}, {"title", summary.row->title}, {"values", values}};
    option["accepts"] = summary.offer.accepts.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(summary.offer.accepts);
    option["default"] = summary.fallback ? nlohmann::ordered_json(*summary.fallback) : nlohmann::ordered_json();
    options.push_back(std::move(option));
  }
  out << options.dump(2) << '\n';
}

}  // namespace

int RunOptionsTool(const OptionsCommand& command, std::ostream& out) {
  const std::filesystem::path driver = command.driver.value_or(BundledDriver());
  const OpenedPrinter printer(driver);
  const std::vector<BYTE> user = ReadTicket(driver / "tickets" / "default-user.xml");
  std::vector<OptionSummary> summaries;
  try {
    summaries = print_options::DescribePrintOptions(printer.Provider(), std::string(user.begin(), user.end()));
  } catch (const std::runtime_error& error) {
    throw host::HostError(error.what());
  }
  if (command.json)
    WriteJson(summaries, out);
  else
    WriteText(summaries, out);
  return out.good() ? 0 : 1;
}

}  // namespace kestrel::xpspipe
