#include "filters/rip/page_markup_bridge.h"

#include <algorithm>

#include "filters/rip/part_reference.h"
#include "filters/rip/resource_callbacks.h"
#include "framework/sequential_read_adapter.h"
#include "platform/com.h"
#include "platform/spooler.h"
#include "platform/utf.h"

namespace {

constexpr std::u16string_view kResourceDictionary = u"ResourceDictionary";
constexpr std::u16string_view kSource = u"Source";
constexpr std::u16string_view kUnicodeString = u"UnicodeString";
constexpr std::u16string_view kImageBrush = u"ImageBrush";
// Remote dictionaries nest at most this deep (each may refer to another).
constexpr std::size_t kMaxDictionaryDepth = 16;

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text).value_or("?"); }

bool JobIsDeleting(HANDLE printer, DWORD jobId) {
  DWORD needed = 0;
  GetJobW(printer, jobId, 1, nullptr, 0, &needed);
  if (needed < sizeof(JOB_INFO_1W)) return false;
  std::vector<BYTE> buffer(needed, 0);
  if (!GetJobW(printer, jobId, 1, buffer.data(), needed, &needed)) return false;
  const DWORD status = reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status;
  return (status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) != 0;
}

}  // namespace

PageMarkupBridge::PageMarkupBridge(IFixedPage* page, const PageDeviceSettings& device, void* converter,
                                   const std::u16string& printerName, DWORD jobId)
    : page_(page), converter_(converter), page_mode_(true), device_(device), job_id_(jobId) {
  if (page) chain_.push_back(PartNameOf(page));
  if (!printerName.empty() && !OpenPrinterW(printerName.c_str(), &printer_, nullptr)) printer_ = nullptr;
}

PageMarkupBridge::PageMarkupBridge(IFixedPage* page, void* converter, std::vector<std::u16string> chain)
    : page_(page), converter_(converter), page_mode_(false), chain_(std::move(chain)) {}

PageMarkupBridge::~PageMarkupBridge() {
  if (printer_) ClosePrinter(printer_);
}

HRESULT PageMarkupBridge::Fail(HRESULT hr, std::string why) {
  if (failure_.empty()) failure_ = std::move(why);
  return hr;
}

HRESULT PageMarkupBridge::Narrow(std::u16string_view text, std::string& out) {
  // Most names and values are ASCII: copied in one pass without branches,
  // which also notes whether any unit was not.
  out.resize(text.size());
  char* to = out.data();
  char16_t bits = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bits |= text[i];
    to[i] = static_cast<char>(text[i]);
  }
  if (bits < 0x80) return S_OK;
  const std::optional<std::string> utf8 = Utf16ToUtf8(text);
  if (!utf8) return Fail(E_FAIL, "the text \"" + Utf8(text) + "\" is not valid UTF-16");
  out = *utf8;
  return S_OK;
}

HRESULT PageMarkupBridge::Parse(IPrintReadStream* markup) {
  if (!markup) return E_POINTER;
  ComPtr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_INPROC_SERVER, IID_ISAXXMLReader,
                                reader.PutVoid());
  if (FAILED(hr)) return hr;
  hr = reader->putContentHandler(this);
  if (FAILED(hr)) return hr;
  const ComPtr<ISequentialStream> adapter = ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(markup));
  VARIANT input;
  VariantInit(&input);
  input.vt = VT_UNKNOWN;
  input.punkVal = adapter.Get();
  hr = reader->parse(input);
  reader->putContentHandler(nullptr);
  if (FAILED(hr) && failure_.empty()) {
    int line = 0;
    int column = 0;
    Bstr message;
    if (SUCCEEDED(reader->getParseError(&line, &column, message.Put())) && message.Get())
      failure_ = "line " + std::to_string(line) + ": " + Utf8(std::u16string_view(message.Get(), SysStringLen(message.Get())));
  }
  return hr;
}

HRESULT PageMarkupBridge::startDocument() {
  if (!page_mode_) return S_OK;
  library_.setResourceCallbacks(converter_, page_.Get(), &GetXPSFontData, &GetXPSICCData, &GetXPSImageData, nullptr,
                                nullptr);
  const PageDeviceSettings& d = device_;
  library_.setPageDevice(converter_, 1, 1, d.mediaWidth, d.mediaHeight, 0, 0, d.mediaWidth, d.mediaHeight,
                         d.resolutionX, d.resolutionY, d.rotationCode, 0, 4, 100, d.mediaHeight, d.mediaHeight,
                         d.planeCode, d.outputPlanes, d.bitsPerPixel);
  return S_OK;
}

HRESULT PageMarkupBridge::startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qNameLength,
                                       ISAXAttributes* attributes) {
  if (!qName || !attributes) return E_POINTER;
  if (qNameLength < 1) return E_INVALIDARG;
  const std::u16string_view name(qName, static_cast<std::size_t>(qNameLength));
  if (const HRESULT hr = Narrow(name, narrow_name_); FAILED(hr)) return hr;
  if (!library_.startElement(narrow_name_.c_str(), converter_))
    return Fail(E_FAIL, "the converter refused the element " + narrow_name_);
  just_started_ = true;
  int count = 0;
  if (const HRESULT hr = attributes->getLength(&count); FAILED(hr)) return hr;
  for (int index = count - 1; index >= 0; --index)
    if (const HRESULT hr = PassAttribute(attributes, index, name); FAILED(hr)) return hr;
  return S_OK;
}

HRESULT PageMarkupBridge::PassAttribute(ISAXAttributes* attributes, int index, std::u16string_view element) {
  const WCHAR* uri = nullptr;
  const WCHAR* local = nullptr;
  const WCHAR* qName = nullptr;
  const WCHAR* value = nullptr;
  int uriLength = 0, localLength = 0, qNameLength = 0, valueLength = 0;
  if (FAILED(attributes->getName(index, &uri, &uriLength, &local, &localLength, &qName, &qNameLength)) ||
      FAILED(attributes->getValue(index, &value, &valueLength)) || !qName || !value)
    return S_OK;  // an attribute that cannot be read is passed over
  const std::u16string_view name(qName, static_cast<std::size_t>(qNameLength));
  const std::u16string_view text(value, static_cast<std::size_t>(valueLength));
  if (HRESULT hr = Narrow(name, narrow_name_); FAILED(hr)) return hr;
  INT accepted = 0;
  if (name == kUnicodeString) {
    wide_value_.assign(text);
    accepted = library_.readAttribute(narrow_name_.c_str(), wide_value_.c_str(), converter_);
  } else {
    if (HRESULT hr = Narrow(text, narrow_value_); FAILED(hr)) return hr;
    accepted = library_.readAttribute(narrow_name_.c_str(), narrow_value_.c_str(), converter_);
  }
  if (!accepted)
    return Fail(E_FAIL, "the converter refused the attribute " + narrow_name_ + " of " + Utf8(element));
  if (element == kResourceDictionary && name == kSource) {
    dictionary_pending_ = true;
    dictionary_source_.assign(text);
  }
  return S_OK;
}

HRESULT PageMarkupBridge::endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qNameLength) {
  if (!qName) return E_POINTER;
  const std::u16string_view name(qName, static_cast<std::size_t>(std::max(qNameLength, 0)));
  INT accepted = 0;
  // Well-formed markup ends the element just started before any other, so an
  // end right after a start is that element's, without children.
  if (just_started_) {
    accepted = library_.endCurrentElement(converter_);
  } else {
    if (const HRESULT hr = Narrow(name, narrow_name_); FAILED(hr)) return hr;
    accepted = library_.endElement(narrow_name_.c_str(), converter_);
  }
  if (name.ends_with(kImageBrush))
    if (const HRESULT hr = CheckCancelled(); FAILED(hr)) return hr;
  just_started_ = false;
  if (!accepted) return Fail(E_FAIL, "the converter refused the end of the element " + Utf8(name));
  if (dictionary_pending_ && name == kResourceDictionary) {
    dictionary_pending_ = false;
    if (const HRESULT hr = ReadRemoteDictionary(); FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT PageMarkupBridge::CheckCancelled() {
  if (!page_mode_ || !printer_ || !JobIsDeleting(printer_, job_id_)) return S_OK;
  return Fail(HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED), "the job was cancelled");
}

// A dictionary the page has no part for is passed over (the converter saw
// only the referring element); one the page's dictionaries already read is a
// cycle and fails the page, as does any failure inside the dictionary.
HRESULT PageMarkupBridge::ReadRemoteDictionary() {
  if (!page_) return E_POINTER;
  if (dictionary_source_.empty()) return Fail(E_INVALIDARG, "a resource dictionary has an empty Source");
  const std::u16string name = ResolvePartName(chain_.empty() ? u"/" : chain_.back(), dictionary_source_);
  if (std::find(chain_.begin(), chain_.end(), name) != chain_.end())
    return Fail(E_INVALIDARG, "the resource dictionary " + Utf8(name) + " refers to itself");
  if (chain_.size() > kMaxDictionaryDepth)
    return Fail(E_INVALIDARG, "resource dictionaries refer to each other more than " +
                                  std::to_string(kMaxDictionaryDepth) + " deep at " + Utf8(name));
  ComPtr<IUnknown> part;
  if (FAILED(page_->GetPagePart(name.c_str(), part.Put())) || !part) return S_OK;
  ComPtr<IPartResourceDictionary> dictionary;
  if (FAILED(part->QueryInterface(IID_IPartResourceDictionary, dictionary.PutVoid())) || !dictionary) return S_OK;
  ComPtr<IPrintReadStream> stream;
  HRESULT hr = dictionary->GetStream(stream.Put());
  if (FAILED(hr) || !stream) return Fail(FAILED(hr) ? hr : E_FAIL, "the resource dictionary " + Utf8(name) + " cannot be read");
  std::vector<std::u16string> chain = chain_;
  chain.push_back(name);
  const auto reader = ComPtr<PageMarkupBridge>::Attach(new PageMarkupBridge(page_.Get(), converter_, std::move(chain)));
  if (!reader->Loaded()) return Fail(E_FAIL, reader->failure());
  hr = reader->Parse(stream.Get());
  if (FAILED(hr)) return Fail(hr, "resource dictionary " + Utf8(name) + ": " + reader->failure());
  return S_OK;
}
