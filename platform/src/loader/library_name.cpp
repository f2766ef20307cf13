#include <algorithm>

#include "platform/library_loader.h"
#include "platform/utf.h"

namespace {

bool EndsWith(std::string_view text, std::string_view suffix, bool ignore_case) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [ignore_case](char a, char b) {
                      if (!ignore_case) return a == b;
                      const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
                      return lower(a) == lower(b);
                    });
}

}  // namespace

std::string MapLibraryFileName(std::u16string_view name) {
  const std::optional<std::string> utf8 = Utf16ToUtf8(name);
  if (!utf8) return {};
  std::string_view file = *utf8;
  if (const std::size_t slash = file.find_last_of("/\\"); slash != std::string_view::npos) file.remove_prefix(slash + 1);
  if (file.size() > 3 && EndsWith(file, ".so", false)) return std::string(file);
  if (EndsWith(file, ".dll", true)) file.remove_suffix(4);
  if (file.empty()) return {};
  std::string mapped = "lib";
  for (const char c : file) mapped += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return mapped + ".so";
}
