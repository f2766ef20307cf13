#include "framework/xps_filter_base.h"

#include "framework/filter_module.h"
#include "platform/com.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"

namespace {

constexpr WCHAR kPrintClassFactory[] = u"PrintClassFactory";
constexpr WCHAR kPrinterName[] = u"PrinterName";
constexpr WCHAR kPrintJobId[] = u"PrintJobId";
constexpr WCHAR kPerUserPrintTicket[] = u"PerUserPrintTicket";

// The part as interface I, or empty when it does not answer I.
template <typename I>
ComPtr<I> QueryPart(IUnknown* part) {
  ComPtr<I> result;
  if (FAILED(part->QueryInterface(I::iid, result.PutVoid()))) result = nullptr;
  return result;
}

}  // namespace

XpsFilterBase::XpsFilterBase()
    : private_namespace_(Bstr::Attach(SysAllocString(PRIVATE_KEYWORDS_NS))),
      processing_enabled_(gdiplus_session_.status() == Gdiplus::Ok ? 1 : 0) {
  if (!private_namespace_.Get()) throw HResultError(E_OUTOFMEMORY);
  LockModule();
}

XpsFilterBase::~XpsFilterBase() {
  UnlockModule();
  gdiplus_session_.Shutdown();
  resource_cache_.Clear();
  consumer_ = nullptr;
  provider_ = nullptr;
  FinishOnce();
  printer_name_ = Bstr();
  print_class_factory_ = nullptr;
  private_namespace_ = Bstr();
  // The ticket manager, then property bag, manager control and communicator
  // go with the members, in that order.
}

HRESULT XpsFilterBase::InitializeFilter(IInterFilterCommunicator* communicator,
                                        IPrintPipelinePropertyBag* properties,
                                        IPrintPipelineManagerControl* control) {
  if (!communicator || !properties || !control) {
    if (manager_control_) manager_control_->RequestShutdown(E_POINTER, nullptr);
    return E_POINTER;
  }
  communicator_ = ComPtr<IInterFilterCommunicator>(communicator);
  manager_control_ = ComPtr<IPrintPipelineManagerControl>(control);
  property_bag_ = ComPtr<IPrintPipelinePropertyBag>(properties);
  ReadPrintClassFactory();
  const HRESULT printer_name_read = ReadPrinterName();
  ReadJobId();
  finished_.store(0);
  return printer_name_read;
}

void XpsFilterBase::ReadPrintClassFactory() {
  Variant value;
  if (FAILED(property_bag_->GetProperty(kPrintClassFactory, value.Get()))) return;
  if (value->vt != VT_UNKNOWN || !value->punkVal) return;
  print_class_factory_ = QueryPart<IPrintClassObjectFactory>(value->punkVal);
}

HRESULT XpsFilterBase::ReadPrinterName() {
  Variant value;
  const HRESULT hr = property_bag_->GetProperty(kPrinterName, value.Get());
  if (FAILED(hr)) return hr;
  if (value->vt != VT_BSTR) return E_INVALIDARG;
  Bstr copy = Bstr::Attach(SysAllocStringLen(value->bstrVal, SysStringLen(value->bstrVal)));
  if (!copy.Get()) return E_OUTOFMEMORY;
  printer_name_ = std::move(copy);
  return hr;
}

void XpsFilterBase::ReadJobId() {
  Variant value;
  if (FAILED(property_bag_->GetProperty(kPrintJobId, value.Get()))) return;
  switch (value->vt) {
    case VT_UI4: job_id_ = value->ulVal; break;
    case VT_UINT: job_id_ = value->uintVal; break;
    case VT_I4:
      if (value->lVal >= 0) job_id_ = static_cast<ULONG>(value->lVal);
      break;
    case VT_INT:
      if (value->intVal >= 0) job_id_ = static_cast<ULONG>(value->intVal);
      break;
    default: break;
  }
}

HRESULT XpsFilterBase::ShutdownOperation() {
  FinishOnce();
  return S_OK;
}

void XpsFilterBase::FinishOnce() {
  if (finished_.load() != 0 || !manager_control_) return;
  // Claiming the flag first keeps a shutdown on another thread and the end of
  // the part loop from both reporting.
  if (finished_.exchange(1) == 0) manager_control_->FilterFinished();
}

HRESULT XpsFilterBase::StartOperation() {
  pages_in_document_ = 0;
  documents_seen_ = 0;
  pages_seen_ = 0;
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const bool apartment_entered = SUCCEEDED(hr);
  if (apartment_entered) {
    hr = CallReturningHresult([this] { return ConnectPipeline(); });
    if (SUCCEEDED(hr)) hr = CallReturningHresult([this] { return LoadUserPrintTicket(); });
    if (SUCCEEDED(hr)) hr = RunPartLoop();
  }
  if (FAILED(hr)) {
    if (finished())
      hr = S_OK;
    else if (manager_control_)
      manager_control_->RequestShutdown(hr, nullptr);
  }
  if (apartment_entered) CoUninitialize();
  FinishOnce();
  return hr;
}

// Pulls parts until the provider ends the job, a part fails or the filter is
// told to finish; then ends the parts and closes the sender.
HRESULT XpsFilterBase::RunPartLoop() {
  if (!provider_ || !consumer_) return E_PENDING;
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr)) {
    ComPtr<IUnknown> part;
    hr = provider_->GetXpsPart(part.Put());
    if (FAILED(hr) || !part || finished()) break;
    hr = CallReturningHresult([&] { return HandlePart(part.Get()); });
  }
  if (SUCCEEDED(hr)) hr = CallReturningHresult([this] { return FinishParts(); });
  const HRESULT closed = consumer_->CloseSender();
  // A sender that cannot close has lost what was sent: that is the job's failure.
  return SUCCEEDED(hr) && FAILED(closed) ? closed : hr;
}

HRESULT XpsFilterBase::HandlePart(IUnknown* part) {
  const bool enabled = processing_enabled();
  if (const auto document = QueryPart<IXpsDocument>(part))
    return enabled ? ProcessXpsDocument(document.Get()) : consumer_->SendXpsDocument(document.Get());
  if (const auto sequence = QueryPart<IFixedDocumentSequence>(part))
    return enabled ? ProcessFixedDocumentSequence(sequence.Get())
                   : consumer_->SendFixedDocumentSequence(sequence.Get());
  if (const auto document = QueryPart<IFixedDocument>(part)) {
    pages_in_document_ = 0;
    ++documents_seen_;
    return enabled ? ProcessFixedDocument(document.Get()) : consumer_->SendFixedDocument(document.Get());
  }
  if (const auto page = QueryPart<IFixedPage>(part)) {
    ++pages_in_document_;
    ++pages_seen_;
    return enabled ? ProcessFixedPage(page.Get()) : consumer_->SendFixedPage(page.Get());
  }
  return consumer_->SendXpsUnknown(part);
}

HRESULT XpsFilterBase::ConnectPipeline() {
  provider_ = nullptr;
  consumer_ = nullptr;
  if (!communicator_) return E_PENDING;
  ComPtr<IUnknown> reader;
  ComPtr<IUnknown> writer;
  HRESULT hr = communicator_->RequestReader(reader.PutVoid());
  if (SUCCEEDED(hr)) hr = communicator_->RequestWriter(writer.PutVoid());
  if (FAILED(hr)) return hr;
  if (!reader || !writer) return E_FAIL;
  ComPtr<IXpsDocumentProvider> provider = QueryPart<IXpsDocumentProvider>(reader.Get());
  ComPtr<IXpsDocumentConsumer> consumer = QueryPart<IXpsDocumentConsumer>(writer.Get());
  // Reported once, by StartOperation.
  if (!provider || !consumer) return E_FAIL;
  provider_ = std::move(provider);
  consumer_ = std::move(consumer);
  return S_OK;
}

HRESULT XpsFilterBase::LoadUserPrintTicket() {
  if (!property_bag_) return E_PENDING;
  Variant ticket;
  HRESULT hr = property_bag_->GetProperty(kPerUserPrintTicket, ticket.Get());
  if (FAILED(hr)) return hr;
  Variant name;
  hr = property_bag_->GetProperty(kPrinterName, name.Get());
  if (FAILED(hr)) return hr;
  if (name->vt != VT_BSTR) return E_INVALIDARG;
  if (ticket->vt != VT_UNKNOWN || !ticket->punkVal) return E_FAIL;
  ComPtr<IPrintReadStreamFactory> factory;
  hr = ticket->punkVal->QueryInterface(IID_IPrintReadStreamFactory, factory.PutVoid());
  if (FAILED(hr)) return hr;
  if (!factory) return E_FAIL;
  ComPtr<IPrintReadStream> stream;
  hr = factory->GetStream(stream.Put());
  if (FAILED(hr)) return hr;
  return ticket_manager_.Open(stream.Get(), name->bstrVal);
}

HRESULT XpsFilterBase::ProcessFixedPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  if (!consumer_) return E_PENDING;
  return consumer_->SendFixedPage(page);
}

HRESULT XpsFilterBase::ProcessFixedDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  const HRESULT hr = ticket_manager_.OnDocument(document);
  if (FAILED(hr)) return hr;
  if (!consumer_) return E_PENDING;
  return consumer_->SendFixedDocument(document);
}

HRESULT XpsFilterBase::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  const HRESULT hr = ticket_manager_.OnDocumentSequence(sequence);
  if (FAILED(hr)) return hr;
  if (!consumer_) return E_PENDING;
  return consumer_->SendFixedDocumentSequence(sequence);
}

HRESULT XpsFilterBase::ProcessXpsDocument(IXpsDocument* document) {
  if (!document) return E_POINTER;
  if (!consumer_) return E_PENDING;
  return consumer_->SendXpsDocument(document);
}

HRESULT XpsFilterBase::FinishParts() { return S_OK; }
