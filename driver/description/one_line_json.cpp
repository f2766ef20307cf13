#include "driver/description/one_line_json.h"

namespace {

// Depth is bounded by the documents described: a DEVMODE is flat, a parsed
// document is bounded by the parser's nesting limit.
void Append(const nlohmann::ordered_json& value, std::string& out) {
  if (value.is_object()) {
    out += '{';
    bool first = true;
    for (const auto& [key, item] : value.items()) {
      if (!first) out += ", ";
      first = false;
      Append(nlohmann::ordered_json(key), out);
      out += ": ";
      Append(item, out);
    }
    out += '}';
  } else if (value.is_array()) {
    out += '[';
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (i) out += ", ";
      Append(value[i], out);
    }
    out += ']';
  } else {
    out += value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
}

}  // namespace

std::string OneLineJson(const nlohmann::ordered_json& value) {
  std::string out;
  Append(value, out);
  return out;
}
