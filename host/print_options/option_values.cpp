#include "host/print_options/option_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/checked_int.h"

namespace kestrel::print_options {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A finite, non-negative decimal number and what follows it.
std::optional<std::pair<double, std::string_view>> Number(std::string_view text) {
  double value = 0;
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || !std::isfinite(value) || value < 0) return std::nullopt;
  return std::pair{value, text.substr(IntCast<std::size_t>(end - text.data()))};
}

std::optional<double> MicronsPer(std::string_view unit) {
  if (unit == "mm") return 1000.0;
  if (unit == "cm") return 10000.0;
  if (unit == "in") return 25400.0;
  if (unit == "pt") return 25400.0 / 72.0;
  return std::nullopt;
}

std::optional<LONG> Microns(double value, double per_unit) {
  const double microns = std::round(value * per_unit);
  if (microns > std::numeric_limits<LONG>::max()) return std::nullopt;
  return static_cast<LONG>(microns);
}

// "WxHunit" with the unit given, or the fallback unit when there is none.
std::optional<MediaDimensions> Dimensions(std::string_view text, std::string_view fallback_unit) {
  const auto width = Number(text);
  if (!width || width->second.empty() || width->second[0] != 'x') return std::nullopt;
  const auto height = Number(width->second.substr(1));
  if (!height) return std::nullopt;
  const std::optional<double> per_unit = MicronsPer(height->second.empty() ? fallback_unit : height->second);
  if (!per_unit) return std::nullopt;
  const std::optional<LONG> w = Microns(width->first, *per_unit), h = Microns(height->first, *per_unit);
  if (!w || !h) return std::nullopt;
  return MediaDimensions{*w, *h};
}

struct KnownMedia {
  std::string_view keyword;
  MediaNames names;
};

constexpr std::array<KnownMedia, 20> kKnownMedia = {{
    {"NorthAmericaLetter", {"Letter", "na_letter_8.5x11in"}},
    {"NorthAmericaLegal", {"Legal", "na_legal_8.5x14in"}},
    {"NorthAmericaExecutive", {"Executive", "na_executive_7.25x10.5in"}},
    {"NorthAmericaStatement", {"Statement", "na_invoice_5.5x8.5in"}},
    {"NorthAmericaTabloid", {"Tabloid", "na_ledger_11x17in"}},
    {"NorthAmerica4x6", {"4x6", "na_index-4x6_4x6in"}},
    {"NorthAmerica5x7", {"5x7", "na_5x7_5x7in"}},
    {"NorthAmericaNumber10Envelope", {"Env10", "na_number-10_4.125x9.5in"}},
    {"NorthAmericaMonarchEnvelope", {"EnvMonarch", "na_monarch_3.875x7.5in"}},
    {"ISOA3", {"A3", "iso_a3_297x420mm"}},
    {"ISOA4", {"A4", "iso_a4_210x297mm"}},
    {"ISOA5", {"A5", "iso_a5_148x210mm"}},
    {"ISOA6", {"A6", "iso_a6_105x148mm"}},
    {"ISOB5", {"ISOB5", "iso_b5_176x250mm"}},
    {"JISB4", {"B4", "jis_b4_257x364mm"}},
    {"JISB5", {"B5", "jis_b5_182x257mm"}},
    {"JapanHagakiPostcard", {"Postcard", "jpn_hagaki_100x148mm"}},
    {"ISODLEnvelope", {"EnvDL", "iso_dl_110x220mm"}},
    {"ISOC5Envelope", {"EnvC5", "iso_c5_162x229mm"}},
    {"ISOC6Envelope", {"EnvC6", "iso_c6_114x162mm"}},
}};

}  // namespace

std::optional<LONG> ParseLength(std::string_view text) {
  const auto number = Number(text);
  if (!number) return std::nullopt;
  const std::optional<double> per_unit = MicronsPer(number->second.empty() ? "mm" : number->second);
  if (!per_unit || number->second == "pt") return std::nullopt;
  return Microns(number->first, *per_unit);
}

std::optional<long> ParseCount(std::string_view text) {
  long value = 0;
  if (text.empty() || !IsDigit(text[0])) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<MediaDimensions> ParseMediaDimensions(std::string_view name) {
  if (name.size() > 7 && SameWord(name.substr(0, 7), "Custom.")) return Dimensions(name.substr(7), "pt");
  // class_name_WxHunit: the size is the last of the three parts, the unit mm or in.
  const std::size_t last = name.rfind('_');
  if (last == std::string_view::npos || name.find('_') == last) return std::nullopt;
  const std::string_view size = name.substr(last + 1);
  if (!size.ends_with("mm") && !size.ends_with("in")) return std::nullopt;
  return Dimensions(size, "");
}

std::optional<MediaNames> KnownMediaNames(std::string_view keyword) {
  for (const KnownMedia& media : kKnownMedia)
    if (media.keyword == keyword) return media.names;
  return std::nullopt;
}

std::string Hyphenated(std::string_view name) {
  std::string text;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const char before = i > 0 ? name[i - 1] : '\0';
    const bool next_lower = i + 1 < name.size() && IsLower(name[i + 1]);
    const bool word_starts = (IsUpper(c) && (IsLower(before) || IsDigit(before) || (IsUpper(before) && next_lower))) ||
                             (IsDigit(c) && (IsLower(before) || IsUpper(before)));
    if (word_starts) text += '-';
    text += Lower(c);
  }
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace kestrel::print_options
