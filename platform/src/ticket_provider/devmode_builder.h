// The DEVMODE a validated ticket stands for.
#pragma once

#include <string_view>
#include <vector>

#include "platform/devmode_extension.h"
#include "ticket_settings.h"

// The block PTConvertPrintTicketToDevMode hands out: the public DEVMODEW, then the
// extension's private block.
std::vector<BYTE> BuildDevMode(const TicketSettings& ticket, std::u16string_view printer_name,
                               const DevModeExtension& extension);
