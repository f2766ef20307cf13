// Making a ticket agree with what the printer offers.
#pragma once

#include <string>
#include <vector>

#include "printer_description.h"
#include "xml_support.h"

// For every feature the description validates, an option the printer does not offer
// becomes the feature's default option, and an offered option gains the literal scored
// properties it lacks; a described parameter whose value is not an integer within its
// range gets the default value, and a described parameter the ticket refers to without
// initialising it is initialised with its default. Everything else stays as it is.
// Returns one message per change (the ticket was a checked print ticket).
std::vector<std::string> ValidateTicket(xmlDoc* ticket, const PrinterDescription& description);
