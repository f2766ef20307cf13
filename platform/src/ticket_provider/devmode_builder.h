// The DEVMODE a validated ticket stands for.
#pragma once

#include <string>

#include "platform/print_ticket_provider.h"
#include "ticket_settings.h"

// The block PTConvertPrintTicketToDevMode hands out: public part, then the private one.
struct DevModeBlock {
  DEVMODEW devmode;
  KestrelDevModePrivate extra;
};
static_assert(sizeof(DevModeBlock) == sizeof(DEVMODEW) + sizeof(KestrelDevModePrivate));

DevModeBlock BuildDevMode(const TicketSettings& ticket, std::u16string_view printer_name);
