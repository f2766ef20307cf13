// A pipeline around one filter object, scripted by the test: a provider that
// hands out a prepared list of parts, a consumer and a manager control that
// write what they are asked to do into one journal, and a property bag.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/filter_pipeline.h"
#include "platform/part_content.h"
#include "platform/variant.h"
#include "platform/utf.h"
#include "platform/xps_parts.h"

// What happened, in order; several threads may write.
class Journal {
 public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }
  int Count(const std::string& entry) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(entries_.begin(), entries_.end(), entry));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

template <typename I>
class StubPart : public ComObject<I> {
 public:
  explicit StubPart(std::string uri) : uri_(std::move(uri)) {}
  HRESULT GetUri(BSTR* uri) override {
    const std::u16string wide = *Utf8ToUtf16(uri_);
    *uri = SysAllocString(wide.c_str());
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream**) override { return E_NOTIMPL; }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

 private:
  std::string uri_;
};

// A part with no print ticket of its own.
template <typename I>
class StubTicketedPart : public StubPart<I> {
 public:
  using StubPart<I>::StubPart;
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    *ticket = nullptr;
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
};

class StubPage final : public StubTicketedPart<IFixedPage> {
 public:
  using StubTicketedPart::StubTicketedPart;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }
};

class StubThumbnail final : public StubPart<IPartThumbnail> {
 public:
  using StubPart::StubPart;
  HRESULT GetThumbnailProperties(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetThumbnailContent(BSTR) override { return E_NOTIMPL; }
};

class StubXpsDocument final : public ComObject<IXpsDocument> {
 public:
  HRESULT GetThumbnail(IPartThumbnail**) override { return E_NOTIMPL; }
  HRESULT SetThumbnail(IPartThumbnail*) override { return E_NOTIMPL; }
};

// "xps" for the package, else "<kind> <uri>" with kind sequence, document,
// page or other (answering none of the four part interfaces).
inline ComPtr<IUnknown> MakePart(const std::string& spec) {
  if (spec == "xps") return MakeComObject<StubXpsDocument, IUnknown>();
  const std::size_t space = spec.find(' ');
  const std::string kind = spec.substr(0, space), uri = spec.substr(space + 1);
  if (kind == "sequence") return MakeComObject<StubTicketedPart<IFixedDocumentSequence>, IUnknown>(uri);
  if (kind == "document") return MakeComObject<StubTicketedPart<IFixedDocument>, IUnknown>(uri);
  if (kind == "page") return MakeComObject<StubPage, IUnknown>(uri);
  return MakeComObject<StubThumbnail, IUnknown>(uri);
}

inline std::string PartName(IUnknown* part) {
  ComPtr<IPartBase> base;
  if (FAILED(part->QueryInterface(IID_IPartBase, base.PutVoid()))) return "xps";
  BSTR uri = nullptr;
  base->GetUri(&uri);
  std::string name = *Utf16ToUtf8(std::u16string_view(uri, SysStringLen(uri)));
  SysFreeString(uri);
  return name;
}

class ScriptedProvider final : public ComObject<IXpsDocumentProvider> {
 public:
  explicit ScriptedProvider(Journal* journal) : journal_(journal) {}

  void Script(const std::vector<std::string>& specs) {
    for (const std::string& spec : specs) parts_.push_back(MakePart(spec));
  }
  // The n-th call (from 1) fails with hr instead of answering.
  void FailCall(int n, HRESULT hr) {
    failing_call_ = n;
    failure_ = hr;
  }
  // Runs before the n-th call is answered.
  void BeforeCall(int n, std::function<void()> action) {
    action_call_ = n;
    action_ = std::move(action);
  }

  HRESULT GetXpsPart(IUnknown** part) override {
    journal_->Add("get");
    ++calls_;
    if (calls_ == action_call_) action_();
    *part = nullptr;
    if (calls_ == failing_call_) return failure_;
    if (next_ < parts_.size()) *part = ComPtr<IUnknown>(parts_[next_++]).Detach();
    return S_OK;
  }

 private:
  Journal* journal_;
  std::vector<ComPtr<IUnknown>> parts_;
  std::size_t next_ = 0;
  int calls_ = 0;
  int failing_call_ = 0;
  HRESULT failure_ = S_OK;
  int action_call_ = 0;
  std::function<void()> action_;
};

class RecordingConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  explicit RecordingConsumer(Journal* journal) : journal_(journal) {}
  void FailClose(HRESULT hr) { close_result_ = hr; }

  HRESULT SendXpsUnknown(IUnknown* part) override { return Record("send other", part); }
  HRESULT SendXpsDocument(IXpsDocument* document) override { return Record("send xps", document); }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* s) override { return Record("send sequence", s); }
  HRESULT SendFixedDocument(IFixedDocument* document) override { return Record("send document", document); }
  HRESULT SendFixedPage(IFixedPage* page) override { return Record("send page", page); }
  HRESULT CloseSender() override {
    journal_->Add("close");
    return close_result_;
  }
  HRESULT GetNewEmptyPart(LPCWSTR, REFIID, void**, IPrintWriteStream**) override { return E_NOTIMPL; }

 private:
  HRESULT Record(const std::string& what, IUnknown* part) {
    journal_->Add(what == "send xps" ? what : what + " " + PartName(part));
    return S_OK;
  }
  Journal* journal_;
  HRESULT close_result_ = S_OK;
};

class RecordingManagerControl final : public ComObject<IPrintPipelineManagerControl> {
 public:
  explicit RecordingManagerControl(Journal* journal) : journal_(journal) {}
  HRESULT RequestShutdown(HRESULT reason, IUnknown*) override {
    journal_->Add("shutdown " + HresultName(reason));
    return S_OK;
  }
  HRESULT FilterFinished() override {
    journal_->Add("finished");
    return S_OK;
  }

 private:
  Journal* journal_;
};

class ScriptedCommunicator final : public ComObject<IInterFilterCommunicator> {
 public:
  ScriptedCommunicator(ComPtr<IUnknown> reader, ComPtr<IUnknown> writer)
      : reader_(std::move(reader)), writer_(std::move(writer)) {}
  void FailReader(HRESULT hr) { reader_result_ = hr; }
  void FailWriter(HRESULT hr) { writer_result_ = hr; }

  HRESULT RequestReader(void** reader) override { return Hand(reader_, reader_result_, reader); }
  HRESULT RequestWriter(void** writer) override { return Hand(writer_, writer_result_, writer); }

 private:
  static HRESULT Hand(const ComPtr<IUnknown>& object, HRESULT result, void** out) {
    *out = nullptr;
    if (FAILED(result)) return result;
    *out = ComPtr<IUnknown>(object).Detach();
    return S_OK;
  }
  ComPtr<IUnknown> reader_, writer_;
  HRESULT reader_result_ = S_OK, writer_result_ = S_OK;
};

class MapPropertyBag final : public ComObject<IPrintPipelinePropertyBag> {
 public:
  HRESULT AddProperty(LPCWSTR name, const VARIANT* value) override {
    return VariantCopy(properties_[name].Get(), value);
  }
  HRESULT GetProperty(LPCWSTR name, VARIANT* value) override {
    const auto found = properties_.find(name);
    if (found == properties_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return VariantCopy(value, found->second.Get());
  }
  BOOL DeleteProperty(LPCWSTR name) override { return properties_.erase(name) ? TRUE : FALSE; }

 private:
  std::map<std::u16string, Variant> properties_;
};

class BytesStreamFactory final : public ComObject<IPrintReadStreamFactory> {
 public:
  explicit BytesStreamFactory(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT GetStream(IPrintReadStream** stream) override {
    return CreateReadStreamOnBytes(std::vector<BYTE>(bytes_.begin(), bytes_.end()), stream);
  }

 private:
  std::string bytes_;
};

class StubPrintClassFactory final : public ComObject<IPrintClassObjectFactory> {
 public:
  HRESULT GetPrintClassObject(LPCWSTR, REFIID, void** object) override {
    *object = nullptr;
    return E_NOTIMPL;
  }
};

inline void PutString(IPrintPipelinePropertyBag* bag, LPCWSTR name, std::u16string_view text) {
  Variant value;
  value->vt = VT_BSTR;
  value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  bag->AddProperty(name, value.Get());
}

inline void PutUnknown(IPrintPipelinePropertyBag* bag, LPCWSTR name, IUnknown* object) {
  Variant value;
  value->vt = VT_UNKNOWN;
  value->punkVal = object;
  object->AddRef();
  bag->AddProperty(name, value.Get());
}

inline void PutUInt(IPrintPipelinePropertyBag* bag, LPCWSTR name, ULONG number) {
  Variant value;
  value->vt = VT_UI4;
  value->ulVal = number;
  bag->AddProperty(name, value.Get());
}
