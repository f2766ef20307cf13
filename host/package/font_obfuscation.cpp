#include "host/package/font_obfuscation.h"

#include "host/package/part_name.h"

namespace kestrel::package {
namespace {

constexpr std::uint64_t kObfuscatedHead = 32;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<ObfuscationKey> FontObfuscationKey(std::string_view part_name) {
  std::string_view stem = part_name.substr(part_name.rfind('/') + 1);
  if (const std::size_t dot = stem.rfind('.'); dot != std::string_view::npos) stem = stem.substr(0, dot);
  if (stem.size() == 38 && stem.front() == '{' && stem.back() == '}') stem = stem.substr(1, 36);
  if (stem.size() != 36) return std::nullopt;

  // The 16 bytes in the order their digits are written, then reversed.
  std::array<std::uint8_t, 16> written{};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < stem.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (stem[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    const int high = HexDigit(stem[i]);
    const int low = HexDigit(stem[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    written[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  ObfuscationKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = written[key.size() - 1 - i];
  return key;
}

void ApplyFontObfuscation(const ObfuscationKey& key, std::uint64_t offset, std::span<std::uint8_t> data) {
  for (std::uint64_t i = offset; i < kObfuscatedHead && i - offset < data.size(); ++i) {
    data[static_cast<std::size_t>(i - offset)] ^= key[static_cast<std::size_t>(i % key.size())];
  }
}

bool IsObfuscatedFont(std::string_view part_name, std::string_view content_type) {
  const std::string_view media = content_type.substr(0, content_type.find(';'));
  return AsciiEqualIgnoringCase(media, kObfuscatedFontContentType) ||
         AsciiEqualIgnoringCase(PartExtension(part_name), "odttf");
}

}  // namespace kestrel::package
