// The one escaper for markup text: every attribute value and text node the
// system writes goes through it, in UTF-8 or UTF-16 alike.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace xmlescape {

// The reference for a character that cannot stand literally in a quoted
// attribute value or in text; empty for every other character. Tabs and line
// breaks are references because a reader turns them into blanks in a value.
constexpr std::string_view ReferenceFor(char32_t c) {
  switch (c) {
    case U'&': return "&amp;";
    case U'<': return "&lt;";
    case U'>': return "&gt;";
    case U'"': return "&quot;";
    case U'\'': return "&apos;";
    case U'\t': return "&#x9;";
    case U'\n': return "&#xA;";
    case U'\r': return "&#xD;";
    default: return {};
  }
}

}  // namespace xmlescape

// Appends text with every character above replaced by its reference. UTF-8
// passes through byte by byte: no byte of a multi-byte sequence is ASCII.
template <typename Char>
void AppendEscapedXml(std::basic_string<Char>& out, std::basic_string_view<Char> text) {
  for (const Char c : text) {
    // Widened without sign extension, so a UTF-8 byte never looks like ASCII.
    const std::string_view reference =
        xmlescape::ReferenceFor(static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(c)));
    if (reference.empty())
      out.push_back(c);
    else
      out.append(reference.begin(), reference.end());
  }
}

// Appends ` name="value"` with the value escaped.
inline void AppendXmlAttribute(std::u16string& out, std::u16string_view name, std::u16string_view value) {
  out += u' ';
  out += name;
  out += u"=\"";
  AppendEscapedXml(out, value);
  out += u'"';
}

inline std::string EscapedXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscapedXml(out, text);
  return out;
}
