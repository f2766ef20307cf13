// Integer conversions that never change a value: a size, a length read from a
// file or a number from a ticket is narrowed through these, not static_cast.
#pragma once

#include <concepts>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// The value as To, or nothing when To cannot hold it (for COM code that
// answers with an HRESULT rather than an exception).
template <std::integral To, std::integral From>
constexpr std::optional<To> TryIntCast(From value) noexcept {
  if (!std::in_range<To>(value)) return std::nullopt;
  return static_cast<To>(value);
}

// The value as To; throws std::range_error when To cannot hold it.
template <std::integral To, std::integral From>
constexpr To IntCast(From value) {
  if (!std::in_range<To>(value))
    throw std::range_error("the integer " + std::to_string(value) + " is out of range for the target type");
  return static_cast<To>(value);
}
