// The tickets the filter targets make their settings from: the reference
// printer registered once under the targets' own name, and a job ticket
// opened from a user ticket asking for what a target's mode needs.
#pragma once

#include <string_view>

#include "framework/print_ticket_manager.h"

namespace kestrel::fuzz {

// Opens the manager on a user ticket of the driver's declarations around
// body and returns its job ticket (borrowed from the manager). Traps on
// failure: a target's setup must work.
IXMLDOMDocument2* OpenJobTicket(PrintTicketManager& manager, std::string_view body);

}  // namespace kestrel::fuzz
