// Hands a new print ticket to the filters after this one: a filter that changes
// settings writes the changed ticket as a new part and attaches the part with
// SetPrintTicket to the part it sends.
#pragma once

#include "platform/types.h"
#include "platform/xml_dom.h"
#include "platform/xps_parts.h"

// Writes ticket into a new print ticket part named "/PT_<tag>_<tick count>_<random>.xml".
// A name the job already has (GetNewEmptyPart's HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS))
// is drawn again with a new random number, a bounded number of times. The part's stream
// is closed whatever happens once the part exists. E_POINTER for a NULL ticket or out,
// E_PENDING without a consumer; otherwise the first failure of the part or its writes.
HRESULT WriteTicketPart(IXpsDocumentConsumer* consumer, IXMLDOMDocument2* ticket, LPCWSTR tag,
                        IPartPrintTicket** part);
