// The argument the rip filter hands to StartManualDuplex: "<n> <program> <list>",
// where n is the number of characters of the manual-duplex program's file name
// (so the name may hold blanks) and list is the path of the job's list of
// back-side files. Shared by the filter that writes it, the export and the
// print UI host that read it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kManualDuplexArgumentChars = 259;

struct ManualDuplexArgument {
  std::u16string program;  // a file name of the driver package's folder
  std::u16string list;     // the list file's path
};

// nullopt when the text would be longer than kManualDuplexArgumentChars: a
// cut argument would name another file.
std::optional<std::u16string> FormatManualDuplexArgument(std::u16string_view program, std::u16string_view list);

// Never reads past the text: a count beyond it takes what there is. Without a
// blank both parts are empty; each part is at most 259 characters.
ManualDuplexArgument ParseManualDuplexArgument(std::u16string_view text);

// A program name the export may start: not empty, no path separator, no "..".
bool IsPackageFileName(std::u16string_view name);
