#include "host/cups_filter/cups_options.h"

#include <cups/cups.h>

#include <algorithm>
#include <optional>

#include "host/print_options/option_values.h"
#include "host/print_options/print_option_table.h"

namespace kestrel::cups_filter {
namespace {

struct PpdKeyword {
  std::string_view keyword;
  std::string_view option;
  // PPD choice -> option value; none: the choice is the value.
  std::optional<std::string> (*value)(std::string_view choice);
};

std::optional<std::string> Same(std::string_view choice) { return std::string(choice); }

std::optional<std::string> Sides(std::string_view choice) {
  if (print_options::SameWord(choice, "None")) return "one-sided";
  if (print_options::SameWord(choice, "DuplexNoTumble")) return "two-sided-long-edge";
  if (print_options::SameWord(choice, "DuplexTumble")) return "two-sided-short-edge";
  return std::nullopt;
}

constexpr PpdKeyword kPpdKeywords[] = {
    {"PageSize", "media", Same},
    {"PageRegion", "media", Same},
    {"Duplex", "sides", Sides},
    {"Resolution", "printer-resolution", Same},
};

bool InTable(std::string_view name) {
  const auto rows = print_options::PrintOptionRows();
  return std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return row.name == name; });
}

}  // namespace

CupsOptions PrintOptionsFromCups(const std::string& text, int copies) {
  cups_option_t* parsed = nullptr;
  const int count = cupsParseOptions(text.c_str(), 0, &parsed);
  CupsOptions result;
  std::vector<print_options::PrintOption> named;
  for (int i = 0; i < count; ++i) {
    const std::string name = parsed[i].name;
    const std::string value = parsed[i].value ? parsed[i].value : "";
    const auto ppd = std::find_if(std::begin(kPpdKeywords), std::end(kPpdKeywords),
                                  [&](const PpdKeyword& k) { return print_options::SameWord(k.keyword, name); });
    if (ppd != std::end(kPpdKeywords)) {
      if (std::optional<std::string> mapped = ppd->value(value))
        result.options.push_back({std::string(ppd->option), std::move(*mapped)});
      else
        result.ignored.push_back(name + "=" + value);
    } else if (InTable(name)) {
      // cupsParseOptions gives "true" for a bare name; the table reads both alike.
      named.push_back({name, value});
    } else {
      result.ignored.push_back(name);
    }
  }
  cupsFreeOptions(count, parsed);
  if (copies > 1 && InTable("copies")) result.options.push_back({"copies", std::to_string(copies)});
  result.options.insert(result.options.end(), named.begin(), named.end());
  return result;
}

}  // namespace kestrel::cups_filter
