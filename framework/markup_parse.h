// Streams a part's markup through the SAX reader into a handler: how page
// rewriters and readers of page markup are driven.
#pragma once

#include "platform/print_stream.h"
#include "platform/xml_sax.h"

// The parse's result: the handler's failure, the reader's E_XML_PARSE, or S_OK.
// E_POINTER for NULL arguments.
HRESULT ParseMarkup(IPrintReadStream* stream, ISAXContentHandler* handler);
