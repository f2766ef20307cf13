#include "host/print_options/option_rows.h"

#include <cstdio>

namespace kestrel::print_options {

Offer FeatureOffer(const PrinterOffer& printer, std::string_view feature, OptionNamer namer) {
  Offer offer;
  for (const OfferedOption& option : printer.Feature(feature).options)
    if (std::optional<std::string> value = namer(option)) offer.choices.push_back({std::move(*value), {}, option, 0});
  return offer;
}

std::optional<std::string> SpelledAs(std::span<const Spelling> spellings, const OfferedOption& option) {
  for (const Spelling& spelling : spellings)
    if (spelling.option == option.name) return std::string(spelling.value);
  return std::nullopt;
}

Offer TableOffer(OptionTable table, std::span<const Spelling> spellings) {
  Offer offer;
  for (const Spelling& spelling : spellings)
    if (const std::optional<LONG> index = IndexIn(table, Wide(spelling.option)))
      offer.choices.push_back({std::string(spelling.value), {}, std::nullopt, *index});
  return offer;
}

std::optional<std::string> GivenOption(const PrintTicketDom& ticket, const Offer& offer, std::string_view feature) {
  const std::optional<std::string> selected = SelectedOption(ticket, feature);
  const std::u16string local = Wide(feature.substr(feature.find(':') + 1));
  for (const Choice& choice : offer.choices) {
    if (!choice.option) continue;
    if (!choice.option->name.empty()) {
      if (choice.option->name == selected) return choice.value;
      continue;
    }
    // An unnamed option is the one whose literal scored properties the ticket has.
    bool all = !choice.option->scored.empty();
    for (const auto& [name, value] : choice.option->scored) {
      LONG found = 0;
      all = all && ticket.GetScoredPropertyInt(local, Wide(name.substr(name.find(':') + 1)), &found) == S_OK &&
            found == value;
    }
    if (all) return choice.value;
  }
  return std::nullopt;
}

std::optional<std::string> GivenIndex(const Offer& offer, LONG index) {
  for (const Choice& choice : offer.choices)
    if (!choice.option && choice.index == index) return choice.value;
  return std::nullopt;
}

std::string Millimetres(LONG microns) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", microns / 1000.0);
  std::string value = text;
  value.erase(value.find_last_not_of('0') + 1);
  if (value.back() == '.') value.pop_back();
  return value + "mm";
}

}  // namespace kestrel::print_options
