#include "sax_push_parser.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include <libxml/SAX2.h>
#include <libxml/xmlerror.h>

#include "platform/checked_int.h"
#include "start_tag_order.h"

namespace {

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

std::string_view Text(const xmlChar* s) { return s ? Chars(s) : std::string_view(); }

constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";

// Stands in when no content handler is installed: the document is still checked.
struct IgnoringHandler final : ISAXContentHandler {
  HRESULT QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT startPrefixMapping(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT endPrefixMapping(const WCHAR*, int) override { return S_OK; }
  HRESULT startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int, ISAXAttributes*) override {
    return S_OK;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT characters(const WCHAR*, int) override { return S_OK; }
  HRESULT ignorableWhitespace(const WCHAR*, int) override { return S_OK; }
  HRESULT processingInstruction(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT skippedEntity(const WCHAR*, int) override { return S_OK; }
};

IgnoringHandler theIgnoringHandler;

std::string TrimmedMessage(const char* message) {
  std::string text = message ? message : "the markup is not well-formed";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

SaxPushParser::SaxPushParser()
    : locator_(MakeComObject<SaxLocator>()),
      attributes_(MakeComObject<SaxAttributes>()),
      chunk_(std::make_unique_for_overwrite<char[]>(kChunkBytes)) {
  if (!locator_ || !attributes_) throw std::bad_alloc();
}

xmlSAXHandler& SaxPushParser::Callbacks() {
  static xmlSAXHandler callbacks = [] {
    xmlSAXHandler h;
    std::memset(&h, 0, sizeof h);
    h.initialized = XML_SAX2_MAGIC;
    h.startDocument = OnStartDocument;
    h.endDocument = OnEndDocument;
    h.startElementNs = OnStartElement;
    h.endElementNs = OnEndElement;
    h.characters = OnCharacters;
    h.ignorableWhitespace = OnCharacters;
    h.processingInstruction = OnProcessingInstruction;
    h.internalSubset = OnDoctype;
    h.serror = OnError;
    return h;
  }();
  return callbacks;
}

// libxml2 is C: nothing may be thrown through it.
template <typename Body>
void SaxPushParser::Guarded(void* self, Body&& body) {
  auto& parser = *static_cast<SaxPushParser*>(self);
  if (parser.Failed()) return;
  HRESULT hr = S_OK;
  try {
    hr = body(parser);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) parser.Fail(hr, "the content handler failed with " + HresultName(hr));
}

void SaxPushParser::OnStartDocument(void* self) {
  Guarded(self, [](SaxPushParser& p) { return p.handler_->startDocument(); });
}

void SaxPushParser::OnEndDocument(void* self) {
  Guarded(self, [](SaxPushParser& p) {
    p.ended_ = true;
    return p.handler_->endDocument();
  });
}

void SaxPushParser::OnStartElement(void* self, const xmlChar* localName, const xmlChar* prefix,
                                   const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                                   int attributeCount, int /*defaultedCount*/, const xmlChar** attributes) {
  Guarded(self, [&](SaxPushParser& p) {
    return p.StartElement(localName, prefix, uri, namespaceCount, namespaces, attributeCount, attributes);
  });
}

void SaxPushParser::OnEndElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
  Guarded(self, [](SaxPushParser& p) { return p.EndElement(); });
}

void SaxPushParser::OnCharacters(void* self, const xmlChar* text, int length) {
  Guarded(self, [&](SaxPushParser& p) { return p.Characters(text, length); });
}

void SaxPushParser::OnProcessingInstruction(void* self, const xmlChar* target, const xmlChar* data) {
  Guarded(self, [&](SaxPushParser& p) { return p.ProcessingInstruction(target, data); });
}

// No document the print path reads has a DTD; refusing every DOCTYPE keeps entity
// declarations, external entities and their expansion out entirely.
void SaxPushParser::OnDoctype(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
  Guarded(self, [](SaxPushParser& p) { return p.Fail(E_XML_PARSE, "a DOCTYPE is not accepted"); });
}

// Recorded only: libxml2 is in the middle of its own work here and stops calling
// back by itself after a fatal error; the other callbacks ignore everything once
// a failure is recorded, and no further chunk is fed.
void SaxPushParser::OnError(void* self, xmlErrorPtr error) {
  auto& parser = *static_cast<SaxPushParser*>(self);
  if (!error || error->level < XML_ERR_ERROR || parser.Failed()) return;
  parser.result_ = error->code == XML_ERR_NO_MEMORY ? E_OUTOFMEMORY : E_XML_PARSE;
  parser.failure_ = {error->line, error->int2, TrimmedMessage(error->message)};
}

HRESULT SaxPushParser::Fail(HRESULT hr, std::string message) {
  if (Failed()) return hr;
  result_ = hr;
  failure_ = {xmlSAX2GetLineNumber(parser_.get()), xmlSAX2GetColumnNumber(parser_.get()), std::move(message)};
  xmlStopParser(parser_.get());
  return hr;
}

HRESULT SaxPushParser::Unconvertible() {
  return Fail(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), "text that cannot be converted to UTF-16");
}

HRESULT SaxPushParser::StartElement(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                                    int namespaceCount, const xmlChar** namespaces, int attributeCount,
                                    const xmlChar** attributes) {
  if (elements_.Depth() >= static_cast<std::size_t>(safexml::kMaxDepth))
    return Fail(E_XML_PARSE, "elements are nested deeper than " + std::to_string(safexml::kMaxDepth) + " levels");
  const NameCache::Name* name = names_.Find(Chars(prefix), Chars(localName));
  if (!name || !elements_.Push(DecodedValue(Text(uri)), *name)) return Unconvertible();
  for (int i = 0; i < namespaceCount; ++i)
    if (!elements_.AddPrefix(Text(namespaces[2 * i]))) return Unconvertible();
  if (!CollectAttributes(namespaceCount, namespaces, attributeCount, attributes)) return Unconvertible();

  for (int i = 0; i < namespaceCount; ++i) {
    text_.Clear();
    const std::optional<Utf16Span> nsUri = text_.Append(DecodedValue(Text(namespaces[2 * i + 1])));
    if (!nsUri) return Unconvertible();
    const Utf16Span prefix16 = elements_.Prefix(static_cast<std::size_t>(i));
    const Utf16Arena& names = elements_.Strings();
    const HRESULT hr = handler_->startPrefixMapping(names.At(prefix16.offset), prefix16.length,
                                                    text_.At(nsUri->offset), nsUri->length);
    if (FAILED(hr)) return hr;
  }
  const ElementStack::Element& e = elements_.Top();
  const Utf16Arena& names = elements_.Strings();
  const HRESULT hr = handler_->startElement(names.At(e.uri.offset), e.uri.length, names.At(e.localName.offset),
                                            e.localName.length, names.At(e.qName.offset), e.qName.length,
                                            attributes_.Get());
  attributes_->Clear();
  return hr;
}

HRESULT SaxPushParser::EndElement() {
  const ElementStack::Element& e = elements_.Top();
  const Utf16Arena& names = elements_.Strings();
  HRESULT hr = handler_->endElement(names.At(e.uri.offset), e.uri.length, names.At(e.localName.offset),
                                    e.localName.length, names.At(e.qName.offset), e.qName.length);
  for (std::size_t i = elements_.PrefixCount(); i-- > 0 && SUCCEEDED(hr);) {
    const Utf16Span prefix = elements_.Prefix(i);
    hr = handler_->endPrefixMapping(names.At(prefix.offset), prefix.length);
  }
  elements_.Pop();
  return hr;
}

HRESULT SaxPushParser::Characters(const xmlChar* text, int length) {
  text_.Clear();
  const std::optional<Utf16Span> span =
      text_.Append({reinterpret_cast<const char*>(text), static_cast<std::size_t>(std::max(length, 0))});
  if (!span) return Unconvertible();
  return handler_->characters(text_.At(span->offset), span->length);
}

HRESULT SaxPushParser::ProcessingInstruction(const xmlChar* target, const xmlChar* data) {
  text_.Clear();
  const std::optional<Utf16Span> target16 = text_.Append(Text(target));
  const std::optional<Utf16Span> data16 = text_.Append(Text(data));
  if (!target16 || !data16) return Unconvertible();
  return handler_->processingInstruction(text_.At(target16->offset), target16->length, text_.At(data16->offset),
                                         data16->length);
}

bool SaxPushParser::CollectAttributes(int namespaceCount, const xmlChar** namespaces, int attributeCount,
                                      const xmlChar** attributes) {
  attributes_->Clear();
  int nextDeclaration = 0;
  int nextAttribute = 0;
  if (DeclarationsInterleave(namespaceCount, attributeCount)) {
    for (const bool isDeclaration : declarationOrder_) {
      const bool added = isDeclaration ? AddDeclaration(namespaces[2 * nextDeclaration],
                                                        namespaces[2 * nextDeclaration + 1])
                                       : AddAttribute(attributes + 5 * nextAttribute);
      if (!added) return false;
      ++(isDeclaration ? nextDeclaration : nextAttribute);
    }
    return true;
  }
  for (; nextDeclaration < namespaceCount; ++nextDeclaration)
    if (!AddDeclaration(namespaces[2 * nextDeclaration], namespaces[2 * nextDeclaration + 1])) return false;
  for (; nextAttribute < attributeCount; ++nextAttribute)
    if (!AddAttribute(attributes + 5 * nextAttribute)) return false;
  return true;
}

// Only a tag with both kinds needs its text read; the order found there is used
// when it accounts for exactly the attributes libxml2 reported.
bool SaxPushParser::DeclarationsInterleave(int namespaceCount, int attributeCount) {
  if (namespaceCount == 0 || attributeCount == 0) return false;
  if (!ReadDeclarationOrder(CurrentStartTag(), declarationOrder_)) return false;
  const auto declarations = std::count(declarationOrder_.begin(), declarationOrder_.end(), true);
  return declarations == namespaceCount &&
         static_cast<std::ptrdiff_t>(declarationOrder_.size()) - declarations == attributeCount;
}

// At startElementNs the input stands at the end of the tag just read, which is
// whole in the buffer; "<" cannot occur inside it, so the last one is its start.
std::string_view SaxPushParser::CurrentStartTag() const {
  const xmlParserInputPtr input = parser_->input;
  if (!input || !input->base || !input->cur || input->cur < input->base) return {};
  const auto* base = reinterpret_cast<const char*>(input->base);
  const std::string_view before(base, static_cast<std::size_t>(input->cur - input->base));
  const std::size_t start = before.rfind('<');
  return start == std::string_view::npos ? std::string_view() : before.substr(start);
}

bool SaxPushParser::AddDeclaration(const xmlChar* prefix, const xmlChar* uri) {
  Utf16Arena& strings = attributes_->Strings();
  const std::optional<Utf16Span> xmlnsUri = strings.Append(kXmlnsUri);
  const std::optional<Utf16Arena::QualifiedName> name =
      prefix ? strings.AppendQualified("xmlns", Text(prefix)) : strings.AppendQualified({}, "xmlns");
  const std::optional<Utf16Span> value = strings.Append(DecodedValue(Text(uri)));
  if (!xmlnsUri || !name || !value) return false;
  attributes_->Add({*xmlnsUri, name->localName, name->qName, *value});
  return true;
}

// attribute: local name, prefix, namespace URI, value start, value end.
bool SaxPushParser::AddAttribute(const xmlChar* const* attribute) {
  Utf16Arena& strings = attributes_->Strings();
  const std::string_view raw(reinterpret_cast<const char*>(attribute[3]),
                             static_cast<std::size_t>(attribute[4] - attribute[3]));
  const std::optional<Utf16Span> uri = strings.Append(DecodedValue(Text(attribute[2])));
  const NameCache::Name* cached = names_.Find(Chars(attribute[1]), Chars(attribute[0]));
  if (!cached) return false;
  const Utf16Arena::QualifiedName name = strings.AppendCopy(cached->qName, cached->localOffset);
  const std::optional<Utf16Span> value = strings.Append(DecodedValue(raw));
  if (!uri || !value) return false;
  attributes_->Add({*uri, name.localName, name.qName, *value});
  return true;
}

// Without entity substitution libxml2 hands on every "&" of a value (written as
// "&amp;" or "&#38;") as the reference "&#38;", for a tree builder to decode;
// namespace names, which come from attribute values, too. With no DTD there is
// no other entity, so each such reference is one ampersand.
std::string_view SaxPushParser::DecodedValue(std::string_view raw) {
  constexpr std::string_view kAmpersand = "&#38;";
  std::size_t at = raw.find(kAmpersand);
  if (at == std::string_view::npos) return raw;
  decoded_.clear();
  std::size_t from = 0;
  for (; at != std::string_view::npos; at = raw.find(kAmpersand, from)) {
    decoded_.append(raw.substr(from, at - from)).push_back('&');
    from = at + kAmpersand.size();
  }
  decoded_.append(raw.substr(from));
  return decoded_;
}

HRESULT SaxPushParser::ReadInto(const ByteReader& read, char* buffer, ULONG capacity, ULONG* got) {
  *got = 0;
  const HRESULT hr = read(buffer, capacity, got);
  if (FAILED(hr)) return hr;
  if (*got > capacity) return E_UNEXPECTED;
  return S_OK;
}

HRESULT SaxPushParser::Parse(ISAXContentHandler* handler, const ByteReader& read, bool ignoreDeclaredEncoding) {
  handler_ = ComPtr<ISAXContentHandler>(handler ? handler : &theIgnoringHandler);
  result_ = S_OK;
  ended_ = false;
  failure_ = {};
  names_.Clear();
  elements_.Clear();
  attributes_->Clear();
  Run(read, ignoreDeclaredEncoding);
  handler_ = nullptr;
  return result_;
}

void SaxPushParser::Run(const ByteReader& read, bool ignoreDeclaredEncoding) {
  HRESULT hr = handler_->putDocumentLocator(locator_.Get());
  if (FAILED(hr)) {
    Fail(hr, "the content handler failed with " + HresultName(hr));
    return;
  }
  // libxml2 tells the encoding from the first four bytes, so they go in first.
  ULONG have = 0;
  bool end = false;
  while (have < 4 && !end) {
    ULONG got = 0;
    hr = ReadInto(read, chunk_.get() + have, kChunkBytes - have, &got);
    if (FAILED(hr)) {
      Fail(hr, "reading the input failed with " + HresultName(hr));
      return;
    }
    end = got == 0;
    have += got;
  }
  safexml::QuietGenericErrors();
  parser_.reset(xmlCreatePushParserCtxt(&Callbacks(), this, chunk_.get(), IntCast<int>(have), nullptr));
  if (!parser_) {
    Fail(E_OUTOFMEMORY, "out of memory");
    return;
  }
  xmlCtxtUseOptions(parser_.get(), safexml::kParseOptions | (ignoreDeclaredEncoding ? XML_PARSE_IGNORE_ENC : 0));
  locator_->Follow(parser_.get());
  Feed(read, end);
  locator_->Freeze();
  parser_.reset();
}

void SaxPushParser::Feed(const ByteReader& read, bool end) {
  while (!Failed()) {
    if (end) {
      xmlParseChunk(parser_.get(), nullptr, 0, 1);
      break;
    }
    ULONG got = 0;
    const HRESULT hr = ReadInto(read, chunk_.get(), kChunkBytes, &got);
    if (FAILED(hr)) {
      Fail(hr, "reading the input failed with " + HresultName(hr));
      return;
    }
    end = got == 0;
    if (!end) xmlParseChunk(parser_.get(), chunk_.get(), IntCast<int>(got), 0);
  }
  if (!Failed() && (!parser_->wellFormed || !parser_->nsWellFormed || !ended_))
    Fail(E_XML_PARSE, "the markup is not a complete well-formed document");
}
