// Merging a delta ticket onto a base ticket.
#pragma once

#include "platform/print_ticket_provider.h"
#include "printer_description.h"
#include "xml_support.h"

// A copy of base in which every top-level Feature, ParameterInit and Property of delta
// (NULL: none) that belongs to the scope replaces the base's items of the same kind and
// name, in the place of the first of them, or is appended. Moved items are re-bound to
// the namespaces the result's root declares, QName values included. Both documents are
// checked print tickets; unresolvable names throw TicketError with the format error of
// the document they are in.
XmlDoc MergeTickets(xmlDoc* base, xmlDoc* delta, EPrintTicketScope scope, const PrinterDescription& description);
