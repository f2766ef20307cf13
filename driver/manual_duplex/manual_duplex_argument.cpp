#include "driver/manual_duplex/manual_duplex_argument.h"

#include <algorithm>

std::optional<std::u16string> FormatManualDuplexArgument(std::u16string_view program, std::u16string_view list) {
  std::u16string text;
  for (const char digit : std::to_string(program.size())) text.push_back(static_cast<char16_t>(digit));
  text += u' ';
  text += program;
  text += u' ';
  text += list;
  if (text.size() > kManualDuplexArgumentChars) return std::nullopt;
  return text;
}

ManualDuplexArgument ParseManualDuplexArgument(std::u16string_view text) {
  ManualDuplexArgument argument;
  const std::size_t blank = text.find(u' ');
  if (blank == std::u16string_view::npos) return argument;
  // A count beyond the text stops growing once it passes the text's length.
  std::size_t count = 0;
  for (std::size_t i = 0; i < blank && text[i] >= u'0' && text[i] <= u'9' && count <= text.size(); ++i)
    count = count * 10 + static_cast<std::size_t>(text[i] - u'0');
  std::u16string_view rest = text.substr(blank + 1);
  const std::size_t taken = std::min({count, kManualDuplexArgumentChars, rest.size()});
  argument.program = rest.substr(0, taken);
  rest.remove_prefix(taken);
  if (!rest.empty()) argument.list = rest.substr(1, kManualDuplexArgumentChars);
  return argument;
}

bool IsPackageFileName(std::u16string_view name) {
  return !name.empty() && name.find_first_of(u"/\\") == std::u16string_view::npos &&
         name.find(u"..") == std::u16string_view::npos && name.find(u'\0') == std::u16string_view::npos;
}
