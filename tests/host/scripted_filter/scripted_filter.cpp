// A filter for the host's tests, steered by pipeline properties:
//   ScriptFailOnPage (uint N)   fails the job on the Nth page (RequestShutdown, E_FAIL)
//   ScriptPageDelayMs (uint)    waits this long before each page
//   ScriptCopyPages (bool)      after each page sends a copy made with GetNewEmptyPart
// and otherwise passes every part through, as the pipeline expects of a filter.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/com_object.h"
#include "platform/filter_pipeline.h"
#include "platform/xps_parts.h"

namespace {

constexpr CLSID kScriptedFilterClsid = MakeGuid("{7D1E5C2A-3B4F-4E6A-9C8D-0A1B2C3D4E5F}");

DWORD UintProperty(IPrintPipelinePropertyBag* bag, const char16_t* name) {
  Variant value;
  if (FAILED(bag->GetProperty(name, value.Get()))) return 0;
  if (value->vt == VT_UI4) return value->ulVal;
  if (value->vt == VT_I4 && value->lVal > 0) return static_cast<DWORD>(value->lVal);
  return 0;
}

bool BoolProperty(IPrintPipelinePropertyBag* bag, const char16_t* name) {
  Variant value;
  return SUCCEEDED(bag->GetProperty(name, value.Get())) && value->vt == VT_BOOL && value->boolVal == VARIANT_TRUE;
}

HRESULT CopyStream(IPrintReadStream* from, IPrintWriteStream* to) {
  std::vector<char> buffer(16384);
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    if (const HRESULT hr = from->ReadBytes(buffer.data(), static_cast<ULONG>(buffer.size()), &read, &end); FAILED(hr))
      return hr;
    ULONG written = 0;
    if (read)
      if (const HRESULT hr = to->WriteBytes(buffer.data(), read, &written); FAILED(hr)) return hr;
    if (end || read == 0) return S_OK;
  }
}

class ScriptedFilter final : public ComObject<IPrintPipelineFilter> {
 public:
  HRESULT InitializeFilter(IInterFilterCommunicator* communicator, IPrintPipelinePropertyBag* properties,
                           IPrintPipelineManagerControl* control) override {
    if (!communicator || !properties || !control) return E_POINTER;
    communicator_ = ComPtr<IInterFilterCommunicator>(communicator);
    control_ = ComPtr<IPrintPipelineManagerControl>(control);
    fail_on_page_ = UintProperty(properties, u"ScriptFailOnPage");
    delay_ms_ = UintProperty(properties, u"ScriptPageDelayMs");
    copy_pages_ = BoolProperty(properties, u"ScriptCopyPages");
    return S_OK;
  }

  HRESULT ShutdownOperation() override {
    Finish();
    return S_OK;
  }

  HRESULT StartOperation() override {
    HRESULT hr = Connect();
    if (SUCCEEDED(hr)) {
      hr = Loop();
      consumer_->CloseSender();
    }
    if (FAILED(hr) && !finished_) control_->RequestShutdown(hr, nullptr);
    Finish();
    return finished_by_shutdown_ ? S_OK : hr;
  }

 private:
  void Finish() {
    if (!finished_.exchange(true)) control_->FilterFinished();
  }

  HRESULT Connect() {
    ComPtr<IUnknown> reader;
    ComPtr<IUnknown> writer;
    if (FAILED(communicator_->RequestReader(reader.PutVoid())) || FAILED(communicator_->RequestWriter(writer.PutVoid())))
      return E_FAIL;
    if (FAILED(reader.As(provider_)) || FAILED(writer.As(consumer_))) return E_FAIL;
    return S_OK;
  }

  HRESULT Loop() {
    for (;;) {
      ComPtr<IUnknown> part;
      if (const HRESULT hr = provider_->GetXpsPart(part.Put()); FAILED(hr)) return hr;
      if (!part) return S_OK;
      if (finished_) {
        finished_by_shutdown_ = true;
        return S_OK;
      }
      if (const HRESULT hr = Handle(part); FAILED(hr)) return hr;
    }
  }

  HRESULT Handle(const ComPtr<IUnknown>& part) {
    ComPtr<IXpsDocument> xps;
    ComPtr<IFixedDocumentSequence> sequence;
    ComPtr<IFixedDocument> document;
    ComPtr<IFixedPage> page;
    if (SUCCEEDED(part.As(xps))) return consumer_->SendXpsDocument(xps.Get());
    if (SUCCEEDED(part.As(sequence))) return consumer_->SendFixedDocumentSequence(sequence.Get());
    if (SUCCEEDED(part.As(document))) return consumer_->SendFixedDocument(document.Get());
    if (SUCCEEDED(part.As(page))) return HandlePage(page.Get());
    return consumer_->SendXpsUnknown(part.Get());
  }

  HRESULT HandlePage(IFixedPage* page) {
    ++pages_;
    if (delay_ms_) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_));
    if (fail_on_page_ && pages_ == fail_on_page_) return E_FAIL;
    if (const HRESULT hr = consumer_->SendFixedPage(page); FAILED(hr)) return hr;
    return copy_pages_ ? SendCopy(page) : S_OK;
  }

  HRESULT SendCopy(IFixedPage* page) {
    const std::string ascii = "/Copies/" + std::to_string(pages_) + ".fpage";
    const std::u16string name(ascii.begin(), ascii.end());
    ComPtr<IFixedPage> copy;
    ComPtr<IPrintWriteStream> writer;
    if (const HRESULT hr = consumer_->GetNewEmptyPart(name.c_str(), IID_IFixedPage, copy.PutVoid(), writer.Put());
        FAILED(hr))
      return hr;
    // The job refuses a second part of the same name.
    ComPtr<IFixedPage> again;
    ComPtr<IPrintWriteStream> again_writer;
    if (SUCCEEDED(consumer_->GetNewEmptyPart(name.c_str(), IID_IFixedPage, again.PutVoid(), again_writer.Put())))
      return E_UNEXPECTED;
    ComPtr<IPrintReadStream> markup;
    if (const HRESULT hr = page->GetStream(markup.Put()); FAILED(hr)) return hr;
    const HRESULT copied = CopyStream(markup.Get(), writer.Get());
    writer->Close();
    if (FAILED(copied)) return copied;
    ComPtr<IPartPrintTicket> ticket;
    if (SUCCEEDED(page->GetPrintTicket(ticket.Put()))) copy->SetPrintTicket(ticket.Get());
    ComPtr<IXpsPartIterator> resources;
    if (const HRESULT hr = page->GetXpsPartIterator(resources.Put()); FAILED(hr)) return hr;
    for (; !resources->IsDone(); resources->Next()) {
      Bstr uri;
      ComPtr<IUnknown> resource;
      if (SUCCEEDED(resources->Current(uri.Put(), resource.Put()))) copy->SetPagePart(resource.Get());
    }
    return consumer_->SendFixedPage(copy.Get());
  }

  ComPtr<IInterFilterCommunicator> communicator_;
  ComPtr<IPrintPipelineManagerControl> control_;
  ComPtr<IXpsDocumentProvider> provider_;
  ComPtr<IXpsDocumentConsumer> consumer_;
  DWORD fail_on_page_ = 0;
  DWORD delay_ms_ = 0;
  bool copy_pages_ = false;
  DWORD pages_ = 0;
  std::atomic<bool> finished_{false};
  bool finished_by_shutdown_ = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                             void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != kScriptedFilterClsid) return CLASS_E_CLASSNOTAVAILABLE;
  ComPtr<IPrintPipelineFilter> filter = MakeComObject<ScriptedFilter, IPrintPipelineFilter>();
  if (!filter) return E_OUTOFMEMORY;
  return filter->QueryInterface(riid, object);
}
