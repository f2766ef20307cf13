#include "ticket/json_writer.h"

#include <cstdio>

namespace {

void AppendEscape(std::string& out, char32_t unit) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
  out += escape;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendCharacter(std::string& out, char32_t c) {
  switch (c) {
    case U'"': out += "\\\""; return;
    case U'\\': out += "\\\\"; return;
    case U'\n': out += "\\n"; return;
    case U'\r': out += "\\r"; return;
    case U'\t': out += "\\t"; return;
    default: break;
  }
  if (c < 0x20)
    AppendEscape(out, c);
  else
    AppendUtf8(out, c);
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void JsonWriter::NewLine() {
  out_ += '\n';
  out_.append(2 * hasMembers_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (hasMembers_.empty()) return;
  if (hasMembers_.back()) out_ += ',';
  hasMembers_.back() = true;
  NewLine();
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  hasMembers_.push_back(false);
}

void JsonWriter::Close(char bracket) {
  const bool hadMembers = hasMembers_.back();
  hasMembers_.pop_back();
  if (hadMembers) NewLine();
  out_ += bracket;
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  QuoteUtf8(key);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::Number(std::int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

void JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  QuoteUtf8(utf8);
}

void JsonWriter::String(std::u16string_view text) {
  BeforeValue();
  QuoteUtf16(text);
}

void JsonWriter::QuoteUtf8(std::string_view utf8) {
  out_ += '"';
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
      AppendCharacter(out_, byte);
    else
      out_ += c;
  }
  out_ += '"';
}

void JsonWriter::QuoteUtf16(std::u16string_view text) {
  out_ += '"';
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char16_t unit = text[at];
    if (IsHighSurrogate(unit) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
      AppendUtf8(out_, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00));
      ++at;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendEscape(out_, unit);
    } else {
      AppendCharacter(out_, unit);
    }
  }
  out_ += '"';
}
