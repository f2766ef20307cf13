// A small writer of indented JSON text, for the tools' descriptions of
// settings. Strings come as UTF-16 (BSTRs) or UTF-8 and are escaped; UTF-16
// that is not well formed keeps its stray surrogates as \u escapes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The next value is the member key of the object being written.
  void Key(std::string_view key);
  void Number(std::int64_t value);
  void String(std::u16string_view text);
  void String(std::string_view utf8);
  void Null();

  const std::string& Text() const { return out_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void NewLine();
  void QuoteUtf8(std::string_view utf8);
  void QuoteUtf16(std::u16string_view text);

  std::string out_;
  std::vector<bool> hasMembers_;  // per open container
  bool afterKey_ = false;
};
