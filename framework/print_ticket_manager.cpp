#include "framework/print_ticket_manager.h"

#include "framework/print_read_stream_adapter.h"
#include "framework/sequential_read_adapter.h"
#include "platform/com.h"
#include "platform/variant.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/print_ticket_dom.h"

namespace {

constexpr DWORD kDocumentClassContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_HANDLER;

HRESULT CreateDocument(ComPtr<IXMLDOMDocument2>* document) {
  return CoCreateInstance(CLSID_DOMDocument60, nullptr, kDocumentClassContext, IID_IXMLDOMDocument2,
                          document->PutVoid());
}

// Loads the document from any readable stream; E_FAIL unless it forms one document.
HRESULT LoadFrom(IXMLDOMDocument2* document, IUnknown* source) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_UNKNOWN;
  variant.punkVal = source;  // borrowed: not cleared
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = document->load(variant, &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) return E_FAIL;
  return S_OK;
}

HRESULT SeekToStart(IStream* stream) {
  LARGE_INTEGER start{};
  return stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

HRESULT StreamOf(IXMLDOMDocument2* document, ComPtr<IStream>* stream) {
  const HRESULT hr = document->QueryInterface(IID_IStream, stream->PutVoid());
  if (FAILED(hr)) return hr;
  return SeekToStart(stream->Get());
}

// The user's N-up choices reach a merged ticket only when the job's own tickets carry them.
constexpr const char16_t* kUserFeaturesDropped[] = {u"JobNUpAllDocumentsContiguously", u"DocumentNUp"};

}  // namespace

PrintTicketManager::~PrintTicketManager() { CloseProvider(); }

void PrintTicketManager::CloseProvider() {
  if (provider_) PTCloseProvider(provider_);
  provider_ = nullptr;
}

HRESULT PrintTicketManager::LoadDocument(IStream* stream, ComPtr<IXMLDOMDocument2>* document) {
  if (!stream || !document) return E_POINTER;
  ComPtr<IXMLDOMDocument2> loaded;
  HRESULT hr = CreateDocument(&loaded);
  if (FAILED(hr)) return hr;
  hr = SeekToStart(stream);
  if (FAILED(hr)) return hr;
  hr = LoadFrom(loaded.Get(), stream);
  if (FAILED(hr)) return hr;
  *document = std::move(loaded);
  return S_OK;
}

HRESULT PrintTicketManager::CopyDocument(IXMLDOMDocument2* document, ComPtr<IXMLDOMDocument2>* copy) {
  if (!document || !copy) return E_POINTER;
  ComPtr<IStream> serialised;
  const HRESULT hr = document->QueryInterface(IID_IStream, serialised.PutVoid());
  if (FAILED(hr)) return hr;
  return LoadDocument(serialised.Get(), copy);
}

void PrintTicketManager::DropLevels() {
  userTicket_ = nullptr;
  jobTicket_ = nullptr;
  documentTicket_ = nullptr;
  pageTicket_ = nullptr;
  jobTicketPresent_ = documentTicketPresent_ = pageTicketPresent_ = false;
}

HRESULT PrintTicketManager::Open(IPrintReadStream* userTicket, BSTR printerName) {
  // Nothing of an earlier job stays, whether this one opens or not.
  CloseProvider();
  DropLevels();
  if (!userTicket) return E_POINTER;
  if (SysStringLen(printerName) == 0) return E_INVALIDARG;
  HRESULT hr = PTOpenProvider(printerName, 1, &provider_);
  if (FAILED(hr)) {
    provider_ = nullptr;
    return hr;
  }
  return CallReturningHresult([&] {
    ComPtr<IStream> adapter = ComPtr<IStream>::Attach(new PrintReadStreamAdapter(userTicket));
    HRESULT loaded = LoadDocument(adapter.Get(), &userTicket_);
    if (FAILED(loaded)) return loaded;
    loaded = RemoveUserNUpFeatures();
    // A user ticket that is no print ticket is no base for any level.
    if (FAILED(loaded)) userTicket_ = nullptr;
    return loaded;
  });
}

HRESULT PrintTicketManager::RemoveUserNUpFeatures() {
  return CallReturningHresult([&] {
    PrintTicketDom ticket(u"PrintTicket", PRIVATE_KEYWORDS_NS, userTicket_.Get());
    for (const char16_t* feature : kUserFeaturesDropped) {
      if (ticket.FeatureExists(feature) != S_OK) continue;
      const HRESULT hr = ticket.RemoveFeature(feature);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  });
}

HRESULT PrintTicketManager::EnsureScope(EPrintTicketScope scope) {
  if (!userTicket_) return E_PENDING;
  if (scope <= kPTJobScope && !jobTicket_) {
    const HRESULT hr = CopyDocument(userTicket_.Get(), &jobTicket_);
    if (FAILED(hr)) return hr;
  }
  if (scope <= kPTDocumentScope && !documentTicket_) {
    const HRESULT hr = CopyDocument(jobTicket_.Get(), &documentTicket_);
    if (FAILED(hr)) return hr;
  }
  if (scope == kPTPageScope && !pageTicket_) {
    const HRESULT hr = CopyDocument(documentTicket_.Get(), &pageTicket_);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void PrintTicketManager::ResetScope(EPrintTicketScope scope) {
  pageTicket_ = nullptr;
  if (scope >= kPTDocumentScope) documentTicket_ = nullptr;
  if (scope >= kPTJobScope) jobTicket_ = nullptr;
}

HRESULT PrintTicketManager::OnDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT hr = sequence->GetPrintTicket(ticket.Put());
  return UpdateLevel(kPTJobScope, hr, ticket.Get());
}

HRESULT PrintTicketManager::OnDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT hr = document->GetPrintTicket(ticket.Put());
  return UpdateLevel(kPTDocumentScope, hr, ticket.Get());
}

HRESULT PrintTicketManager::OnPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT hr = page->GetPrintTicket(ticket.Put());
  return UpdateLevel(kPTPageScope, hr, ticket.Get());
}

HRESULT PrintTicketManager::UpdateLevel(EPrintTicketScope scope, HRESULT getTicketResult,
                                        IPartPrintTicket* partTicket) {
  bool& present = scope == kPTJobScope        ? jobTicketPresent_
                  : scope == kPTDocumentScope ? documentTicketPresent_
                                              : pageTicketPresent_;
  if (SUCCEEDED(getTicketResult) && partTicket) {
    present = true;
    return MergePartTicket(scope, partTicket);
  }
  // A part without a ticket: the level follows the wider one again.
  if (SUCCEEDED(getTicketResult) || getTicketResult == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
    ResetScope(scope);
    present = false;
    return EnsureScope(scope);
  }
  return getTicketResult;
}

HRESULT PrintTicketManager::MergePartTicket(EPrintTicketScope scope, IPartPrintTicket* partTicket) {
  return CallReturningHresult([&] {
    ComPtr<IXMLDOMDocument2> delta;
    HRESULT hr = CreateDocument(&delta);
    if (FAILED(hr)) return hr;
    ComPtr<IPrintReadStream> stream;
    hr = partTicket->GetStream(stream.Put());
    if (FAILED(hr)) return hr;
    if (!stream) return E_FAIL;
    ComPtr<ISequentialStream> adapter = ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(stream.Get()));
    hr = LoadFrom(delta.Get(), adapter.Get());
    if (FAILED(hr)) return hr;
    return MergeTicket(scope, delta.Get());
  });
}

HRESULT PrintTicketManager::MergeTicket(EPrintTicketScope scope, IXMLDOMDocument2* delta) {
  // A base level no part has set yet is filled in first, as for GetTicket.
  if (scope == kPTPageScope || scope == kPTDocumentScope) {
    const HRESULT hr = EnsureScope(static_cast<EPrintTicketScope>(scope + 1));
    if (FAILED(hr)) return hr;
  }
  ComPtr<IXMLDOMDocument2>* target = nullptr;
  IXMLDOMDocument2* base = nullptr;
  switch (scope) {
    case kPTPageScope:
      target = &pageTicket_;
      base = documentTicket_.Get();
      break;
    case kPTDocumentScope:
      target = &documentTicket_;
      base = jobTicket_.Get();
      break;
    case kPTJobScope:
      target = &jobTicket_;
      base = userTicket_.Get();
      break;
    default:
      return E_INVALIDARG;
  }
  if (!base) return E_PENDING;
  ComPtr<IXMLDOMDocument2> merged;
  const HRESULT hr = MergeDocuments(base, delta, &merged);
  if (FAILED(hr)) return hr;
  *target = std::move(merged);
  return hr;
}

HRESULT PrintTicketManager::MergeDocuments(IXMLDOMDocument2* base, IXMLDOMDocument2* delta,
                                           ComPtr<IXMLDOMDocument2>* merged) {
  if (!provider_) return E_PENDING;
  if (!base || !delta || !merged) return E_POINTER;
  ComPtr<IStream> result;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, result.Put());
  if (FAILED(hr)) return hr;
  ComPtr<IStream> baseStream;
  ComPtr<IStream> deltaStream;
  hr = StreamOf(base, &baseStream);
  if (SUCCEEDED(hr)) hr = StreamOf(delta, &deltaStream);
  if (FAILED(hr)) return hr;
  Bstr message;
  hr = PTMergeAndValidatePrintTicket(provider_, baseStream.Get(), deltaStream.Get(), kPTJobScope, result.Get(),
                                     message.Put());
  if (FAILED(hr)) return hr;
  return LoadDocument(result.Get(), merged);
}

HRESULT PrintTicketManager::GetTicket(EPrintTicketScope scope, IXMLDOMDocument2** ticket) {
  if (!ticket) return E_POINTER;
  *ticket = nullptr;
  if (scope < kPTPageScope || scope > kPTJobScope) return E_FAIL;
  const HRESULT hr = EnsureScope(scope);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* const levels[] = {pageTicket_.Get(), documentTicket_.Get(), jobTicket_.Get()};
  *ticket = levels[scope];
  return *ticket ? S_OK : E_FAIL;
}

bool PrintTicketManager::HasPartTicket(EPrintTicketScope scope) const {
  switch (scope) {
    case kPTPageScope:
      return pageTicketPresent_;
    case kPTDocumentScope:
      return documentTicketPresent_;
    case kPTJobScope:
      return jobTicketPresent_;
  }
  return false;
}

HRESULT PrintTicketManager::GetCapabilities(IXMLDOMDocument2* ticket, IXMLDOMDocument2** capabilities) {
  if (!ticket || !capabilities) return E_POINTER;
  *capabilities = nullptr;
  if (!provider_) return E_PENDING;
  ComPtr<IXMLDOMDocument2> document;
  HRESULT hr = CreateDocument(&document);
  if (FAILED(hr)) return hr;
  ComPtr<IStream> ticketStream;
  hr = StreamOf(ticket, &ticketStream);
  if (FAILED(hr)) return hr;
  {
    // The bytes written into the document's stream become its content once released.
    ComPtr<IStream> documentStream;
    hr = document->QueryInterface(IID_IStream, documentStream.PutVoid());
    if (FAILED(hr)) return hr;
    Bstr message;
    hr = PTGetPrintCapabilities(provider_, ticketStream.Get(), documentStream.Get(), message.Put());
    if (FAILED(hr)) return hr;
    hr = SeekToStart(documentStream.Get());
    if (FAILED(hr)) return hr;
  }
  ComPtr<IXMLDOMElement> root;
  if (FAILED(document->get_documentElement(root.Put())) || !root) return E_FAIL;
  *capabilities = document.Detach();
  return S_OK;
}

HRESULT PageHasOwnTicket(IFixedPage* page, bool* own) {
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT asked = page->GetPrintTicket(ticket.Put());
  *own = SUCCEEDED(asked) && ticket;
  return asked == kTicketItemNotFound || SUCCEEDED(asked) ? S_OK : asked;
}
