// JSON documents on one line, "key": value pairs and items separated by ", ", the
// layout the describing tools print.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// value on one line; text that is not UTF-8 is written with U+FFFD in its place.
std::string OneLineJson(const nlohmann::ordered_json& value);
