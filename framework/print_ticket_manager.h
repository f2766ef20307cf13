// The print tickets in force for the job, the current document and page.
// So far it checks and keeps the user's default ticket stream; merging the
// tickets of the parts onto it comes next.
#pragma once

#include "platform/bstr.h"
#include "platform/xps_parts.h"

class PrintTicketManager {
 public:
  PrintTicketManager() = default;
  virtual ~PrintTicketManager() = default;
  PrintTicketManager(const PrintTicketManager&) = delete;
  PrintTicketManager& operator=(const PrintTicketManager&) = delete;

  // Takes the user's default ticket for the printer: E_POINTER for a NULL
  // stream, E_INVALIDARG for an empty printer name.
  HRESULT Open(IPrintReadStream* user_ticket, BSTR printer_name);
  // Updates the job level from the sequence's ticket; E_POINTER for NULL.
  HRESULT OnDocumentSequence(IFixedDocumentSequence* sequence);
  // Updates the document level from the document's ticket; E_POINTER for NULL.
  HRESULT OnDocument(IFixedDocument* document);

 private:
  ComPtr<IPrintReadStream> user_ticket_;
};
