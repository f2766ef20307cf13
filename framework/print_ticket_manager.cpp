#include "framework/print_ticket_manager.h"

HRESULT PrintTicketManager::Open(IPrintReadStream* user_ticket, BSTR printer_name) {
  if (!user_ticket) return E_POINTER;
  if (SysStringLen(printer_name) == 0) return E_INVALIDARG;
  user_ticket_ = ComPtr<IPrintReadStream>(user_ticket);
  return S_OK;
}

HRESULT PrintTicketManager::OnDocumentSequence(IFixedDocumentSequence* sequence) {
  return sequence ? S_OK : E_POINTER;
}

HRESULT PrintTicketManager::OnDocument(IFixedDocument* document) { return document ? S_OK : E_POINTER; }
