// Failure messages name a settings value from its table: "Booklet (4)", or
// "6 (outside the table)".
#pragma once

#include <ostream>
#include <type_traits>

#include "platform/utf.h"
#include "ticket/common_options.h"

template <class Enum>
requires std::is_enum_v<Enum> && requires(Enum value) { Name(value); }
void PrintTo(const Enum& value, std::ostream* out) {
  if (const auto name = Name(value))
    *out << Utf16ToUtf8(*name).value_or("?") << " (" << Index(value) << ")";
  else
    *out << Index(value) << " (outside the table)";
}
