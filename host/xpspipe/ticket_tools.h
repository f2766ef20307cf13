// xpspipe ticket: merge, capabilities, devmode, show and default, answered by
// the print ticket provider for the printer of a driver package.
#pragma once

#include <ostream>

#include "host/xpspipe/command_line.h"

namespace kestrel::xpspipe {

// Writes the result to out and notes (resolved conflicts) to err; returns the
// exit status. Throws HostError with a message for the user, naming the
// ticket file a failure concerns.
int RunTicketTool(const TicketCommand& command, std::ostream& out, std::ostream& err);

}  // namespace kestrel::xpspipe
