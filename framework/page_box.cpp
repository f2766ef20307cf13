#include "framework/page_box.h"

#include <charconv>
#include <cmath>
#include <string>

REAL ParseMarkupNumber(std::u16string_view text) {
  std::string narrow;
  for (const char16_t c : text) {
    if (c > 0x7F) return 0;
    if (c != u' ' && c != u'+') narrow += static_cast<char>(c);
  }
  float value = 0;
  const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  return error == std::errc() && std::isfinite(value) ? value : 0;
}

PageBox ParsePageBox(std::u16string_view text) {
  REAL numbers[4] = {0, 0, 0, 0};
  for (REAL& number : numbers) {
    const std::size_t comma = text.find(u',');
    number = ParseMarkupNumber(text.substr(0, comma));
    if (comma == std::u16string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}
