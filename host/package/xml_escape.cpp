#include "host/package/xml_escape.h"

namespace kestrel::package {

std::string EscapeXmlAttribute(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\t': escaped += "&#9;"; break;
      case '\n': escaped += "&#10;"; break;
      case '\r': escaped += "&#13;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace kestrel::package
