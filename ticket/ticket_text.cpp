#include "ticket/ticket_text.h"

#include <cstdint>
#include <limits>

#include "ticket/hresult_error.h"

Bstr CopyToBstr(std::u16string_view text) {
  Bstr copy(text);
  if (!copy.Get()) throw HResultError(E_OUTOFMEMORY);
  return copy;
}

namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

LONG ParseTicketInteger(std::u16string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
  // Accumulate the magnitude with a ceiling one past the largest negative value,
  // so that long digit strings cannot overflow.
  constexpr std::int64_t kCeiling = -static_cast<std::int64_t>(std::numeric_limits<LONG>::min());
  std::int64_t magnitude = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    magnitude = magnitude * 10 + (text[at] - u'0');
    if (magnitude > kCeiling) magnitude = kCeiling;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
  return static_cast<LONG>(value);
}

std::u16string IntegerText(LONG value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}
