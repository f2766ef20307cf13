// JSON string literals for the describing functions.
#pragma once

#include <string>
#include <string_view>

// s (UTF-8) as a quoted JSON string, with quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view s);
