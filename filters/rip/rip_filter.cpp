#include "filters/rip/rip_filter.h"

#include <cstring>
#include <vector>

#include "driver/manual_duplex/manual_duplex_argument.h"
#include "filters/rip/module_folder.h"
#include "filters/rip/page_markup_bridge.h"
#include "framework/filter_module.h"
#include "ticket/hresult_error.h"
#include "platform/checked_int.h"
#include "platform/error_info.h"
#include "platform/files.h"
#include "platform/library_loader.h"
#include "platform/spooler.h"
#include "platform/utf.h"
#include "platform/wstring.h"

namespace {

constexpr WCHAR kOutputBitsPixel[] = u"OutputBitsPixel";
constexpr WCHAR kOutputPlanes[] = u"OutputPlanes";
constexpr WCHAR kPortraitRotation[] = u"PortraitRotation";
constexpr WCHAR kLandscapeRotation[] = u"LandscapeRotation";
constexpr WCHAR kProgressReport[] = u"ProgressReport";
constexpr WCHAR kEncDllName64[] = u"EncDllName64";
constexpr WCHAR kKvmdFileName64[] = u"KvmdFileName64";
constexpr WCHAR kDriverOut[] = u"driverout";
constexpr std::size_t kMaxNameChars = kConverterNameChars - 1;

template <typename I>
ComPtr<I> QueryPart(IUnknown* part) {
  ComPtr<I> result;
  if (FAILED(part->QueryInterface(I::iid, result.PutVoid()))) result = nullptr;
  return result;
}

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text).value_or("?"); }

std::string PartName(IPartBase* part) {
  BSTR uri = nullptr;
  if (FAILED(part->GetUri(&uri)) || !uri) return "(unnamed)";
  std::string name = Utf8(std::u16string_view(uri, SysStringLen(uri)));
  SysFreeString(uri);
  return name;
}

// At most max characters of text into a zero-filled field of max + 1.
void CopyName(WCHAR* field, std::u16string_view text) {
  const std::size_t length = WidePrefixLength(text, kMaxNameChars);
  std::memcpy(field, text.data(), length * sizeof(WCHAR));
  field[length] = u'\0';
}

}  // namespace

RipFilter::RipFilter() = default;

RipFilter::~RipFilter() {
  CloseConverter();
  if (ticket_provider_) PTCloseProvider(ticket_provider_);
  manual_duplex_.Release();
}

HRESULT RipFilter::Fail(HRESULT hr, std::string why) {
  if (failure_.empty()) failure_ = std::move(why);
  return hr;
}

void RipFilter::ReadOutputSettings() {
  const std::pair<const WCHAR*, LONG*> settings[] = {{kOutputBitsPixel, &output_.bitsPerPixel},
                                                     {kOutputPlanes, &output_.planes},
                                                     {kPortraitRotation, &output_.portraitRotation},
                                                     {kLandscapeRotation, &output_.landscapeRotation}};
  for (const auto& [name, field] : settings) {
    Variant value;
    if (property_bag()->GetProperty(name, value.Get()) != S_OK) continue;
    switch (value->vt) {
      case VT_I4: *field = value->lVal; break;
      case VT_INT: *field = value->intVal; break;
      // An unsigned value beyond a LONG keeps the setting as it was.
      case VT_UI4: *field = TryIntCast<LONG>(value->ulVal).value_or(*field); break;
      case VT_UINT: *field = TryIntCast<LONG>(value->uintVal).value_or(*field); break;
      default: break;
    }
  }
}

void RipFilter::ReadProgressReport() {
  progress_ = nullptr;
  Variant value;
  if (FAILED(property_bag()->GetProperty(kProgressReport, value.Get()))) return;
  if (value->vt == VT_UNKNOWN && value->punkVal)
    progress_ = QueryPart<IPrintPipelineProgressReport>(value->punkVal);
}

void RipFilter::Report(EXpsJobConsumption update) {
  if (progress_) progress_->ReportProgress(update);
}

HRESULT RipFilter::StartOperation() {
  if (!property_bag()) return E_PENDING;
  failure_.clear();
  if (!control_library_.Loaded()) {
    const HRESULT hr = Fail(E_FAIL, control_library_.failure());
    EndJob(hr);
    return hr;
  }
  ReadOutputSettings();
  ReadProgressReport();
  keep_list_ = false;
  // Without a channel a job with back sides fails at its end, naming them.
  manual_duplex_.Open(print_class_factory(), printer_name(), job_id());
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const bool apartment_entered = SUCCEEDED(hr);
  if (apartment_entered) hr = RunJob();
  property_bag()->DeleteProperty(kProgressReport);
  progress_ = nullptr;
  if (apartment_entered) CoUninitialize();
  EndJob(hr);
  // A job the pipeline stopped is not this filter's failure.
  return FAILED(hr) && finished() ? S_OK : hr;
}

HRESULT RipFilter::RunJob() {
  HRESULT hr = CallReturningHresult([this] { return ConnectPipeline(); });
  if (FAILED(hr)) return hr;
  hr = CallReturningHresult([this] { return LoadUserPrintTicket(); });
  if (FAILED(hr)) return Fail(hr, "the user's print ticket cannot be loaded");
  hr = RunPartLoop();
  if (SUCCEEDED(hr)) hr = CallReturningHresult([this] { return FinishParts(); });
  // The converter may still be sending a page: it writes no more once stopped.
  if (FAILED(hr) && records_) records_->Stop(hr, "the job failed");
  writer_->Close();
  return hr;
}

// Ends the job: closes what is still open, removes the converter's files
// unless the job ended well, and tells the pipeline.
void RipFilter::EndJob(HRESULT result) {
  if (records_ && FAILED(result)) records_->Stop(result, "the job failed");
  CloseConverter();
  if (ticket_provider_) PTCloseProvider(ticket_provider_);
  ticket_provider_ = nullptr;
  if ((FAILED(result) || finished()) && !keep_list_) list_.Remove(true);
  records_.reset();
  writer_ = nullptr;
  reader_ = nullptr;
  if (FAILED(result) && !finished() && manager_control()) {
    const std::string why = failure_.empty() ? "the rip filter failed" : failure_;
    const ComPtr<IErrorInfo> info = CreateErrorInfo(Utf8ToUtf16(why).value_or(u"the rip filter failed"));
    manager_control()->RequestShutdown(result, info.Get());
  }
  FinishOnce();
}

HRESULT RipFilter::RunPartLoop() {
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr)) {
    ComPtr<IUnknown> part;
    hr = reader_->GetXpsPart(part.Put());
    if (FAILED(hr)) return Fail(hr, "reading the next part failed");
    if (!part || finished()) break;
    hr = CallReturningHresult([&] { return HandlePart(part.Get()); });
  }
  return hr;
}

HRESULT RipFilter::HandlePart(IUnknown* part) {
  if (const auto document = QueryPart<IXpsDocument>(part)) return ProcessXpsDocument(document.Get());
  if (const auto sequence = QueryPart<IFixedDocumentSequence>(part)) {
    Report(XpsJob_DocumentSequenceAdded);
    return ProcessFixedDocumentSequence(sequence.Get());
  }
  if (const auto document = QueryPart<IFixedDocument>(part)) {
    Report(XpsJob_FixedDocumentAdded);
    return ProcessFixedDocument(document.Get());
  }
  if (const auto page = QueryPart<IFixedPage>(part)) {
    Report(XpsJob_FixedPageAdded);
    return ProcessFixedPage(page.Get());
  }
  return S_OK;
}

HRESULT RipFilter::ConnectPipeline() {
  reader_ = nullptr;
  writer_ = nullptr;
  if (!communicator()) return E_PENDING;
  ComPtr<IUnknown> reader;
  ComPtr<IUnknown> writer;
  HRESULT hr = communicator()->RequestReader(reader.PutVoid());
  if (SUCCEEDED(hr)) hr = communicator()->RequestWriter(writer.PutVoid());
  if (FAILED(hr)) return Fail(hr, "the pipeline gave no reader or writer");
  if (reader) reader_ = QueryPart<IXpsDocumentProvider>(reader.Get());
  if (writer) writer_ = QueryPart<IPrintWriteStream>(writer.Get());
  if (!reader_ || !writer_) return Fail(E_FAIL, "the rip filter needs XPS parts in and a byte stream out");
  records_ = std::make_unique<OutputRecordStream>(writer_.Get(), list_);
  return OpenConverter();
}

HRESULT RipFilter::EncoderPath(std::u16string* path) {
  path->clear();
  Variant name;
  if (property_bag()->GetProperty(kEncDllName64, name.Get()) != S_OK || name->vt != VT_BSTR || !name->bstrVal)
    return S_OK;
  const std::u16string_view file(name->bstrVal, SysStringLen(name->bstrVal));
  *path = ThisModuleFolder() + std::u16string(file);
  if (path->size() >= MAX_PATH)
    return Fail(E_INVALIDARG, "the encoder library's path " + Utf8(*path) + " is longer than 259 characters");
  return S_OK;
}

std::u16string RipFilter::DocumentName() const {
  HANDLE printer = nullptr;
  if (!printer_name() || !OpenPrinterW(printer_name(), &printer, nullptr)) return {};
  std::u16string document;
  DWORD needed = 0;
  GetJobW(printer, job_id(), 1, nullptr, 0, &needed);
  if (needed >= sizeof(JOB_INFO_1W)) {
    std::vector<BYTE> buffer(needed, 0);
    if (GetJobW(printer, job_id(), 1, buffer.data(), needed, &needed)) {
      const JOB_INFO_1W* info = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
      if (info->pDocument) document = info->pDocument;
    }
  }
  ClosePrinter(printer);
  return document;
}

HRESULT RipFilter::OpenConverter() {
  ConverterOpenInfo info{};
  info.size = sizeof info;
  const std::u16string printer = printer_name() ? std::u16string(printer_name()) : std::u16string();
  CopyName(info.printerName, printer);
  CopyName(info.documentName, DocumentName());
  info.jobId = job_id();
  info.one = 1;
  std::u16string encoder;
  if (const HRESULT hr = EncoderPath(&encoder); FAILED(hr)) return hr;
  if (const HRESULT hr = PTOpenProvider(printer.c_str(), 1, &ticket_provider_); FAILED(hr))
    return Fail(hr, "the print ticket provider does not know the printer " + Utf8(printer));
  control_ = control_library_.open(kDriverOut, nullptr, encoder.c_str(), &RipFilter::WriteCallback, this, &info,
                                   &RipFilter::ZeroFlag);
  if (!control_) return Fail(E_FAIL, "the converter's PrnCtrlOpen failed");
  conversion_ = control_library_.openConversion(&RipFilter::ZeroFlag, control_);
  if (!conversion_) return Fail(E_FAIL, "the converter's PrnCtrlXPS2SPDLOpen failed");
  converter_ = control_library_.converterContext(conversion_);
  if (!converter_) return Fail(E_FAIL, "the converter's GetConvCntFromSPDLCnt failed");
  return S_OK;
}

bool RipFilter::CloseConverter() {
  const bool closed = !conversion_ || control_library_.closeConversion(conversion_) != 0;
  if (control_) control_library_.close(control_);
  conversion_ = nullptr;
  control_ = nullptr;
  converter_ = nullptr;
  return closed;
}

HRESULT RipFilter::WriteCallback(const void* buffer, DWORD length, void* context) {
  auto* filter = static_cast<RipFilter*>(context);
  if (!filter || !filter->records_) return E_POINTER;
  // A stopped job takes nothing more: the converter learns it here.
  if (filter->finished() && SUCCEEDED(filter->records_->status()))
    filter->records_->Stop(HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED), "the job was stopped");
  return filter->records_->Take(static_cast<const BYTE*>(buffer), length);
}

INT RipFilter::ZeroFlag(BYTE* flag) {
  if (flag) *flag = 0;
  return 1;
}

HRESULT RipFilter::ProcessXpsDocument(IXpsDocument* document) { return document ? S_OK : E_POINTER; }

HRESULT RipFilter::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  const HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
  return FAILED(hr) ? Fail(hr, "the job's print ticket cannot be merged") : hr;
}

HRESULT RipFilter::ProcessFixedDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  const HRESULT hr = ticket_manager().OnDocument(document);
  return FAILED(hr) ? Fail(hr, "document " + PartName(document) + ": its print ticket cannot be merged") : hr;
}

HRESULT RipFilter::ProcessFixedPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  const HRESULT hr = ConvertPage(page);
  if (SUCCEEDED(hr)) return CheckOutput();
  // The page's ticket reader found an item missing: the page is skipped.
  if (hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
    failure_.clear();
    return S_FALSE;
  }
  failure_ = "page " + PartName(page) + ": " + (failure_.empty() ? HresultName(hr) : failure_);
  return hr;
}

HRESULT RipFilter::ConvertPage(IFixedPage* page) {
  HRESULT hr = ticket_manager().OnPage(page);
  if (FAILED(hr)) return Fail(hr, "its print ticket cannot be merged");
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTPageScope, &ticket);
  if (FAILED(hr)) return Fail(hr, "no print ticket is in force");
  ComPtr<IStream> ticketStream;
  hr = ticket->QueryInterface(IID_IStream, ticketStream.PutVoid());
  if (SUCCEEDED(hr)) hr = ticketStream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return Fail(hr, "its print ticket cannot be read");
  ULONG size = 0;
  PDEVMODE devmode = nullptr;
  hr = PTConvertPrintTicketToDevMode(ticket_provider_, ticketStream.Get(), kUserDefaultDevmode, kPTJobScope, &size,
                                     &devmode, nullptr);
  if (FAILED(hr)) return Fail(hr, "its print ticket gives no DEVMODE");
  const std::unique_ptr<void, HRESULT (*)(void*)> devmodeOwner(devmode, &PTReleaseMemory);
  control_library_.setDevMode(devmode, size, control_);

  PageDeviceSettings device;
  hr = ReadPageDeviceSettings(ticket, private_namespace(), output_, &device);
  if (FAILED(hr)) return Fail(hr, "its media cannot be read from the print ticket");
  const std::u16string printer = printer_name() ? std::u16string(printer_name()) : std::u16string();
  const auto bridge = ComPtr<PageMarkupBridge>::Attach(
      new PageMarkupBridge(page, device, converter_, printer.substr(0, WidePrefixLength(printer, kMaxNameChars)),
                           job_id()));
  if (!bridge->Loaded()) return Fail(E_FAIL, bridge->failure());
  ComPtr<IPrintReadStream> markup;
  hr = page->GetStream(markup.Put());
  if (FAILED(hr) || !markup) return Fail(FAILED(hr) ? hr : E_FAIL, "its markup cannot be read");
  hr = bridge->Parse(markup.Get());
  if (FAILED(hr)) return Fail(hr, bridge->failure().empty() ? HresultName(hr) : bridge->failure());
  return hr;
}

HRESULT RipFilter::CheckOutput() {
  const HRESULT status = records_->status();
  return FAILED(status) ? Fail(status, records_->failure()) : S_OK;
}

HRESULT RipFilter::FinishParts() {
  const bool closed = CloseConverter();
  if (const HRESULT hr = CheckOutput(); FAILED(hr)) return hr;
  // The converter finishes the job's last pages as it closes.
  if (!closed) return Fail(E_FAIL, "the converter could not finish the job's printer data");
  if (!records_->AtRecordBoundary()) return Fail(E_FAIL, "the converter's output ends inside a record");
  if (!list_.Exists()) return S_OK;
  // A stopped job's back sides will never be printed.
  if (finished()) {
    list_.Remove(true);
    return S_OK;
  }
  return HandOverBackSides();
}

// The list and its files now belong to the manual-duplex program, which
// removes them once it has printed them.
HRESULT RipFilter::HandOverBackSides() {
  std::u16string program;
  Variant name;
  if (property_bag()->GetProperty(kKvmdFileName64, name.Get()) == S_OK && name->vt == VT_BSTR && name->bstrVal)
    program.assign(name->bstrVal, SysStringLen(name->bstrVal));
  HRESULT hr = E_INVALIDARG;
  std::string why = "no manual-duplex program (\"KvmdFileName64\") is named";
  if (!program.empty()) {
    const std::optional<std::u16string> argument = FormatManualDuplexArgument(program, list_.path());
    hr = argument ? manual_duplex_.Send(*argument) : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    why = hr == HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) ? "the list's path is too long for the request"
                                                              : "the print UI took no request";
  }
  if (SUCCEEDED(hr)) {
    list_.HandOver();
    return S_OK;
  }
  keep_list_ = true;
  return Fail(hr, "the back sides cannot be handed to the manual-duplex program (" + why +
                      "); they are listed in " + Utf8(list_.path()));
}
