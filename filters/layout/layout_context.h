// What the layout filter's passes reach of the filter: the next filter, the
// tickets in force and the private keywords namespace.
#pragma once

#include <string_view>

#include "framework/print_ticket_manager.h"
#include "platform/xps_parts.h"

struct LayoutContext {
  IXpsDocumentConsumer* consumer;
  PrintTicketManager& tickets;
  std::u16string_view privateNamespace;
};
