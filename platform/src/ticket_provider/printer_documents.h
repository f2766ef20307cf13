// The documents the provider writes from the printer description alone or with a ticket.
#pragma once

#include "printer_description.h"
#include "ticket_settings.h"
#include "xml_support.h"

// PrintCapabilities: every described feature with its options, the parameter
// definitions, and PageImageableSize for the ticket's media and orientation.
XmlDoc WriteCapabilities(const TicketSettings& ticket, const PrinterDescription& description);
// PrintTicket: every described feature with its default option, every parameter with its default.
XmlDoc WriteDefaultTicket(const PrinterDescription& description);
