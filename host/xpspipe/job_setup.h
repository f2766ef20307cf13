// From the command line to a job: the driver package, its pipeline
// configuration, the chosen filters, properties and tickets.
#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

#include "host/pipeline/pipeline_job.h"
#include "host/xpspipe/command_line.h"

namespace kestrel::xpspipe {

// The bundled driver package: beside the program in the build tree
// (driver/), or where `cmake --install` put it (lib/kestrel/driver/ under the
// prefix, found from bin/ and from lib/cups/filter/). Throws HostError.
std::filesystem::path BundledDriver();

// The bytes of a print ticket file (at most 16 MiB); throws HostError.
std::vector<BYTE> ReadTicket(const std::filesystem::path& file);

// Throws HostError with a message for the user, print_options::OptionError
// for print options the printer does not take. Notes on print options that
// change what the job's own ticket asked for go to notes, a line each after
// note_prefix.
host::JobOptions PrepareJob(const RunCommand& command, std::ostream& notes,
                            std::string_view note_prefix = "xpspipe: ");

}  // namespace kestrel::xpspipe
