// The formatter with formats from outside (a ticket's header and footer text) and
// typed arguments. Input: a mode byte (bit 0: wide format), an argument count,
// each argument as a kind byte and its value (integers of 1, 2, 4 or 8 bytes,
// signed or not; a double; a narrow or wide string up to a newline), then the
// format: UTF-8 bytes, or UTF-16 code units (any, lone surrogates too).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "platform/format.h"

namespace {

using kestrel::fuzz::FuzzInput;

constexpr int kMaxArguments = 8;

FormatArg Integer(FuzzInput& input, std::uint8_t kind) {
  const bool is_signed = (kind & 0x10) != 0;
  switch ((kind >> 1) & 3) {
    case 0:
      return is_signed ? FormatArg(input.Integer<std::int8_t>()) : FormatArg(input.Integer<std::uint8_t>());
    case 1:
      return is_signed ? FormatArg(input.Integer<std::int16_t>()) : FormatArg(input.Integer<std::uint16_t>());
    case 2:
      return is_signed ? FormatArg(input.Integer<std::int32_t>()) : FormatArg(input.Integer<std::uint32_t>());
    default:
      return is_signed ? FormatArg(input.Integer<std::int64_t>()) : FormatArg(input.Integer<std::uint64_t>());
  }
}

std::u16string Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const bool wide = (input.Byte() & 1) != 0;
  const int count = input.Byte() % (kMaxArguments + 1);
  // Strings are kept here: arguments only refer to them.
  std::vector<std::u16string> wide_texts;
  wide_texts.reserve(kMaxArguments);
  std::vector<FormatArg> arguments;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t kind = input.Byte();
    switch (kind % 4) {
      case 0:
        arguments.push_back(Integer(input, kind));
        break;
      case 1: {
        double value;
        const std::uint64_t bits = input.Integer<std::uint64_t>();
        std::memcpy(&value, &bits, sizeof value);
        arguments.emplace_back(value);
        break;
      }
      case 2:
        arguments.emplace_back(input.Until('\n'));
        break;
      default:
        wide_texts.push_back(Units(input.Until('\n')));
        arguments.emplace_back(std::u16string_view(wide_texts.back()));
        break;
    }
  }
  if (wide) {
    const std::u16string format = Units(input.Rest());
    const auto result = FormatWideArgs(format.c_str(), arguments);
    if (!result && !result.text.empty()) __builtin_trap();  // a failure leaves no text
  } else {
    const std::string format(input.Rest());
    const auto result = FormatNarrowArgs(format.c_str(), arguments);
    if (!result && !result.text.empty()) __builtin_trap();
  }
  return 0;
}
