#include "filters/rip/manual_duplex_start.h"

#include <string>

#include "driver/manual_duplex/manual_duplex_argument.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system_info.h"

namespace {

std::u16string Decimal(unsigned value) {
  std::u16string digits;
  for (const char digit : std::to_string(value)) digits.push_back(static_cast<char16_t>(digit));
  return digits;
}

// "<language> <list>", the list quoted when it holds blanks; nullopt when it
// cannot be passed as one argument or is too long.
std::optional<std::u16string> CommandLine(std::u16string_view list) {
  if (list.find(u'"') != std::u16string_view::npos) return std::nullopt;
  std::u16string line = Decimal(GetSystemDefaultLangID()) + u' ';
  if (list.find_first_of(u" \t") != std::u16string_view::npos)
    line += u'"' + std::u16string(list) + u'"';
  else
    line += list;
  if (line.size() >= MAX_PATH) return std::nullopt;
  return line;
}

}  // namespace

bool RunManualDuplexProgram(std::u16string_view argument, std::u16string_view folder) {
  const ManualDuplexArgument parsed = ParseManualDuplexArgument(argument);
  if (!IsPackageFileName(parsed.program)) return false;
  const std::u16string program = std::u16string(folder) + parsed.program;
  std::optional<std::u16string> line = CommandLine(parsed.list);
  if (program.size() >= MAX_PATH || !line) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}
