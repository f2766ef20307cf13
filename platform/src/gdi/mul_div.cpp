#include <cstdint>
#include <limits>

#include "platform/gdi_font.h"

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = std::int64_t{number} * numerator;
  const std::int64_t magnitude = (product < 0 ? -product : product);
  const std::int64_t divisor = denominator < 0 ? -std::int64_t{denominator} : std::int64_t{denominator};
  std::int64_t quotient = (magnitude + divisor / 2) / divisor;
  if ((product < 0) != (denominator < 0)) quotient = -quotient;
  if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(quotient);
}
