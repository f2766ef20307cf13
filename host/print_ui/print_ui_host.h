// The asynchronous print UI of the submitting user, run after a job has
// committed its output: for each request, load the library it names (a bare
// file name, looked for only in the driver package's folder), call its
// StartManualDuplex export with the argument text and wait for it. The
// export starts the package's manual-duplex program, which prints the back
// sides to the job's output (KESTREL_JOB_OUTPUT, set for the call) and
// removes the list; a list still there afterwards means the back sides were
// not printed, and the user is told where they are.
#pragma once

#include <filesystem>

#include "host/print_ui/print_ui_request.h"

namespace kestrel::print_ui {

// The only entry point this host calls.
inline constexpr char16_t kStartManualDuplex[] = u"StartManualDuplex";

// Throws host::HostError: a library name with a folder or "..", another entry
// point, a library or export that is missing, back sides left unprinted.
void RunPrintUiRequest(const PrintUiRequest& request, const std::filesystem::path& driver,
                       const std::filesystem::path& job_output);

// The list of back sides a StartManualDuplex request hands over; empty for another request.
std::filesystem::path ListedBackSides(const PrintUiRequest& request);

}  // namespace kestrel::print_ui
