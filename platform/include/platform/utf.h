// Strict conversion between UTF-8 and UTF-16: malformed input (overlong forms,
// surrogates encoded in UTF-8, unpaired surrogates, truncated sequences) is an error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

// Converts into out, which has room for utf8.size() units (UTF-16 never needs more
// units than UTF-8 has bytes); returns how many units were written.
std::optional<std::size_t> Utf8ToUtf16(std::string_view utf8, char16_t* out);
