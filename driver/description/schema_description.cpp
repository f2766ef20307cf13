#include "driver/description/schema_description.h"

#include <memory>
#include <string>
#include <vector>

#include "driver/description/one_line_json.h"
#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/print_ticket_provider.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "platform/variant.h"
#include "platform/xml_sax.h"

namespace {

// What one element says: its kind, name, value and reference, and the elements
// inside it. Value and ParameterRef elements of the framework fold into their parent.
struct Entry {
  std::string element;
  std::string name;
  std::string value;      // of its Value child
  std::string reference;  // of its ParameterRef child
  std::vector<std::pair<std::string, std::string>> namespaces;  // declared on it: prefix, URI
  std::string version;
  std::vector<std::unique_ptr<Entry>> children;
};

std::string Utf8(const WCHAR* text, int count) {
  return Utf16ToUtf8(std::u16string_view(text, static_cast<std::size_t>(count))).value_or("?");
}

// Builds the tree of entries from the reader's events.
class EntryBuilder : public ComObject<ISAXContentHandler> {
 public:
  const Entry& Root() const { return root_; }

  HRESULT startElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName, const WCHAR*, int,
                       ISAXAttributes* attributes) override {
    const std::string uri = Utf8(nsUri, cchNsUri);
    const std::string local = Utf8(localName, cchLocalName);
    if (folding_ > 0) {
      ++folding_;
      return S_OK;
    }
    if (uri == kPrintSchemaFrameworkNamespace && (local == "Value" || local == "ParameterRef") && !open_.empty()) {
      folding_ = 1;
      if (local == "Value") value_ = &open_.back()->value;
      if (local == "ParameterRef") open_.back()->reference = Attribute(attributes, u"name");
      return S_OK;
    }
    Entry* entry = &root_;
    if (!open_.empty()) entry = open_.back()->children.emplace_back(std::make_unique<Entry>()).get();
    entry->element = local;
    entry->name = Attribute(attributes, u"name");
    if (open_.empty()) {
      entry->version = Attribute(attributes, u"version");
      Namespaces(attributes, entry->namespaces);
    }
    open_.push_back(entry);
    return S_OK;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    if (folding_ > 0) {
      if (--folding_ == 0) value_ = nullptr;
    } else {
      open_.pop_back();
    }
    return S_OK;
  }
  HRESULT characters(const WCHAR* text, int cchText) override {
    if (value_) *value_ += Utf8(text, cchText);
    return S_OK;
  }
  HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT startPrefixMapping(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT endPrefixMapping(const WCHAR*, int) override { return S_OK; }
  HRESULT ignorableWhitespace(const WCHAR*, int) override { return S_OK; }
  HRESULT processingInstruction(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT skippedEntity(const WCHAR*, int) override { return S_OK; }

 private:
  static std::string Attribute(ISAXAttributes* attributes, std::u16string_view qname) {
    const WCHAR* value = nullptr;
    int count = 0;
    if (FAILED(attributes->getValueFromQName(qname.data(), static_cast<int>(qname.size()), &value, &count))) return {};
    return Utf8(value, count);
  }

  static void Namespaces(ISAXAttributes* attributes, std::vector<std::pair<std::string, std::string>>& out) {
    int length = 0;
    if (FAILED(attributes->getLength(&length))) return;
    for (int i = 0; i < length; ++i) {
      const WCHAR *uri = nullptr, *local = nullptr, *qname = nullptr, *value = nullptr;
      int cch_uri = 0, cch_local = 0, cch_qname = 0, cch_value = 0;
      if (FAILED(attributes->getName(i, &uri, &cch_uri, &local, &cch_local, &qname, &cch_qname)) ||
          FAILED(attributes->getValue(i, &value, &cch_value)) ||
          Utf8(uri, cch_uri) != "http://www.w3.org/2000/xmlns/")
        continue;
      const std::string qualified = Utf8(qname, cch_qname);
      out.emplace_back(qualified == "xmlns" ? "" : Utf8(local, cch_local), Utf8(value, cch_value));
    }
  }

  Entry root_;
  std::vector<Entry*> open_;
  int folding_ = 0;              // depth inside a folded element
  std::string* value_ = nullptr;  // the text a folded Value fills
};

void Text(const Entry& parent, int depth, std::string& out) {
  for (const auto& child : parent.children) {
    const Entry& e = *child;
    out += std::string(2 * static_cast<std::size_t>(depth), ' ') + e.element + (e.name.empty() ? "" : " " + e.name) +
           (e.value.empty() ? "" : " = " + e.value) + (e.reference.empty() ? "" : " -> " + e.reference) + "\n";
    Text(e, depth + 1, out);
  }
}

nlohmann::ordered_json Json(const Entry& parent) {
  nlohmann::ordered_json children = nlohmann::ordered_json::array();
  for (const auto& child : parent.children) {
    const Entry& e = *child;
    nlohmann::ordered_json item = {{"element", e.element}};
    if (!e.name.empty()) item["name"] = e.name;
    if (!e.value.empty()) item["value"] = e.value;
    if (!e.reference.empty()) item["parameter"] = e.reference;
    item["children"] = Json(e);
    children.push_back(std::move(item));
  }
  return children;
}

HRESULT Parse(std::string_view xml, EntryBuilder* builder, BSTR* errorMessage) {
  ComPtr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_INPROC_SERVER, IID_ISAXXMLReader,
                                reader.PutVoid());
  if (SUCCEEDED(hr)) hr = reader->putContentHandler(builder);
  ComPtr<IStream> stream;
  if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  // The tools read files of bounded size, far below 4 GiB.
  if (SUCCEEDED(hr)) hr = stream->Write(xml.data(), static_cast<ULONG>(xml.size()), nullptr);
  if (SUCCEEDED(hr)) hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  VARIANT input;
  VariantInit(&input);
  input.vt = VT_UNKNOWN;
  input.punkVal = stream.Get();  // borrowed: not cleared
  hr = reader->parse(input);
  if (SUCCEEDED(hr)) return S_OK;
  if (hr != E_XML_PARSE) return hr;
  int line = 0, column = 0;
  Bstr reason;
  reader->getParseError(&line, &column, reason.Put());
  const std::string text = "the document is not well-formed XML (line " + std::to_string(line) + ", column " +
                           std::to_string(column) + "): " + Utf16ToUtf8(reason.View()).value_or("?");
  if (errorMessage) *errorMessage = SysAllocString(Utf8ToUtf16(text).value_or(u"?").c_str());
  return E_PRINTTICKET_FORMAT;
}

}  // namespace

HRESULT DescribePrintSchemaDocument(std::string_view xml, bool json, std::string* description, BSTR* errorMessage) {
  if (errorMessage) *errorMessage = nullptr;
  if (!description) return E_POINTER;
  try {
    const ComPtr<EntryBuilder> builder = ComPtr<EntryBuilder>::Attach(new EntryBuilder);
    const HRESULT hr = Parse(xml, builder.Get(), errorMessage);
    if (FAILED(hr)) return hr;
    const Entry& root = builder->Root();
    if (!json) {
      std::string out = root.element + " version " + (root.version.empty() ? "?" : root.version) + "\n";
      Text(root, 1, out);
      *description = std::move(out);
      return S_OK;
    }
    nlohmann::ordered_json namespaces = nlohmann::ordered_json::object();
    for (const auto& [prefix, uri] : root.namespaces) namespaces[prefix] = uri;
    const nlohmann::ordered_json out = {
        {"element", root.element}, {"version", root.version}, {"namespaces", namespaces}, {"children", Json(root)}};
    *description = OneLineJson(out) + "\n";
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
