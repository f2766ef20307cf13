// A request to the asynchronous print UI, as a filter sends it through its
// notification channel: XML whose root asyncPrintUIRequest (in the platform's
// request namespace) holds v1/requestOpen/customUI, naming a library of the
// driver package (dll), its entry point and the argument text.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::print_ui {

struct PrintUiRequest {
  std::u16string dll;
  std::u16string entrypoint;
  std::u16string argument;
};

// Read with the platform's safe XML (no DTD). Throws host::HostError saying
// what is wrong: not XML, another root or namespace, no customUI, no dll or
// entry point.
PrintUiRequest ParsePrintUiRequest(std::u16string_view text);

}  // namespace kestrel::print_ui
