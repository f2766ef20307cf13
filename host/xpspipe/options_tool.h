// xpspipe options: every print option the printer of a driver package takes,
// with its values and default, as text (like lpoptions -l) or JSON.
#pragma once

#include <ostream>

#include "host/xpspipe/command_line.h"

namespace kestrel::xpspipe {

// Returns the exit status; throws HostError.
int RunOptionsTool(const OptionsCommand& command, std::ostream& out);

}  // namespace kestrel::xpspipe
