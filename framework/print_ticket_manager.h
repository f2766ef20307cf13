// The print tickets in force for the job, the current document and the current
// page. Every part's ticket is a delta on the next wider level (the widest base
// is the user's default ticket); the manager merges each delta through the print
// ticket provider and keeps the merged result of each level as a DOM document.
//
// Levels (EPrintTicketScope): kPTPageScope 0, kPTDocumentScope 1, kPTJobScope 2.
// A level that no part has set yet is filled in on demand as a copy of the next
// wider one, so a wider level exists whenever a narrower one does. Everything
// runs on the filter's StartOperation thread.
#pragma once

#include "platform/bstr.h"
#include "platform/print_ticket_provider.h"
#include "platform/stream.h"
#include "platform/unknown.h"
#include "platform/xml_dom.h"
#include "platform/xps_parts.h"

class PrintTicketManager {
 public:
  PrintTicketManager() = default;
  // Closes the provider.
  virtual ~PrintTicketManager();
  PrintTicketManager(const PrintTicketManager&) = delete;
  PrintTicketManager& operator=(const PrintTicketManager&) = delete;

  // Opens the provider for the printer and loads the user's default ticket
  // (without its JobNUpAllDocumentsContiguously and DocumentNUp features). Every
  // level of an earlier job is dropped first, even when Open fails. E_POINTER for a NULL stream, E_INVALIDARG for an empty printer
  // name (the provider then stays closed), PTOpenProvider's failure, E_FAIL
  // when the ticket does not load.
  HRESULT Open(IPrintReadStream* userTicket, BSTR printerName);

  // Update the job / document / page level from the part's own ticket: merged
  // onto the next wider level when the part has one, else a copy of the wider
  // level (a new job level also drops the document and page levels, a new
  // document level the page level). E_POINTER for NULL; a merge the provider
  // refuses keeps the level's previous document and returns its failure.
  HRESULT OnDocumentSequence(IFixedDocumentSequence* sequence);
  HRESULT OnDocument(IFixedDocument* document);
  HRESULT OnPage(IFixedPage* page);

  // Whether the last part of that level carried a ticket of its own.
  bool HasPartTicket(EPrintTicketScope scope) const;

  // Merges delta onto the next wider level (page onto document, document onto
  // job, job onto the user ticket) and stores the result as the scope's ticket;
  // a base level not set yet is filled in first. E_INVALIDARG for another
  // scope, E_PENDING before Open.
  virtual HRESULT MergeTicket(EPrintTicketScope scope, IXMLDOMDocument2* delta);

  // The ticket in force for the scope, filled in when missing. The pointer is
  // borrowed: valid until the level changes; AddRef it to keep it. E_POINTER
  // for a NULL out, E_PENDING before Open, E_FAIL for a scope outside 0 to 2.
  HRESULT GetTicket(EPrintTicketScope scope, IXMLDOMDocument2** ticket);

  // The printer's capabilities for the ticket, in a new document the caller
  // owns. E_POINTER for NULL arguments, E_PENDING before Open.
  HRESULT GetCapabilities(IXMLDOMDocument2* ticket, IXMLDOMDocument2** capabilities);

  // A new document parsed from the stream (read from its start); E_FAIL when
  // it is not a well-formed XML document.
  static HRESULT LoadDocument(IStream* stream, ComPtr<IXMLDOMDocument2>* document);
  // A new document parsed from the serialised form of document.
  static HRESULT CopyDocument(IXMLDOMDocument2* document, ComPtr<IXMLDOMDocument2>* copy);

 protected:
  // base with delta merged onto it and validated, always at job scope so that a
  // merged ticket carries the features of every level. E_PENDING before Open,
  // E_POINTER for NULL arguments, the provider's failure.
  HRESULT MergeDocuments(IXMLDOMDocument2* base, IXMLDOMDocument2* delta, ComPtr<IXMLDOMDocument2>* merged);

 private:
  HRESULT EnsureScope(EPrintTicketScope scope);
  void ResetScope(EPrintTicketScope scope);
  HRESULT MergePartTicket(EPrintTicketScope scope, IPartPrintTicket* partTicket);
  // The common update of a level from the result of the part's GetPrintTicket.
  HRESULT UpdateLevel(EPrintTicketScope scope, HRESULT getTicketResult, IPartPrintTicket* partTicket);
  HRESULT RemoveUserNUpFeatures();
  void DropLevels();
  void CloseProvider();

  ComPtr<IXMLDOMDocument2> userTicket_;
  ComPtr<IXMLDOMDocument2> jobTicket_;
  ComPtr<IXMLDOMDocument2> documentTicket_;
  ComPtr<IXMLDOMDocument2> pageTicket_;
  HPTPROVIDER provider_ = nullptr;
  bool jobTicketPresent_ = false;
  bool documentTicketPresent_ = false;
  bool pageTicketPresent_ = false;
};

// Whether PAGE carries a print ticket of its own; a page without one is under
// its document's ticket. S_OK with *own set, or the failure of asking.
HRESULT PageHasOwnTicket(IFixedPage* page, bool* own);
