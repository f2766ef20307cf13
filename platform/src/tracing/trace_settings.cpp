#include "trace_settings.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/checked_int.h"

namespace {

constexpr UCHAR kDefaultLevel = 5;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A number in C notation: decimal, or hexadecimal after 0x.
std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

struct Entry {
  GUID provider;
  ProviderSettings settings;
};

std::optional<Entry> ParseEntry(std::string_view entry) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<GUID> provider = ParseGuid(Trim(entry.substr(0, colon)));
  std::string_view rest = entry.substr(colon + 1);
  const std::size_t second = rest.find(':');
  const std::optional<std::uint64_t> flags = ParseNumber(Trim(rest.substr(0, second)));
  std::optional<std::uint64_t> level = kDefaultLevel;
  if (second != std::string_view::npos) level = ParseNumber(Trim(rest.substr(second + 1)));
  if (!provider || !flags || *flags > 0xFFFFFFFFu || !level || *level > 0xFFu) return std::nullopt;
  return Entry{*provider, {static_cast<UCHAR>(*level), static_cast<ULONG>(*flags)}};
}

std::optional<ProviderSettings> FindProviderSettings(std::string_view list, const GUID& provider) {
  std::optional<ProviderSettings> found;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view text = Trim(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (text.empty()) continue;
    const std::optional<Entry> entry = ParseEntry(text);
    if (!entry) {
      std::fprintf(stderr, "KESTREL_TRACE: ignoring malformed entry \"%.*s\" (expected {GUID}:flags[:level])\n",
                   TryIntCast<int>(text.size()).value_or(INT_MAX), text.data());
    } else if (entry->provider == provider) {
      found = entry->settings;  // the last mention wins
    }
  }
  return found;
}

}  // namespace

std::optional<ProviderSettings> EnabledProviderSettings(const GUID& provider) {
  const char* list = std::getenv("KESTREL_TRACE");
  return list ? FindProviderSettings(list, provider) : std::nullopt;
}
