// The printer's DEVMODE, public part and private block, as tools print it.
#pragma once

#include <string>

#include "platform/print_ticket_provider.h"

// Readable text (one "name: value" line a field) or JSON of the fields a DEVMODE block of
// size bytes fills, with its private block when one follows. Empty for a block too short.
std::string DescribeDevMode(const DEVMODEW* devmode, ULONG size, bool json);
