#include <gtest/gtest.h>

#include <libxml/xmlreader.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/utf.h"
#include "platform/xml_sax.h"

namespace {

std::string Narrow(const WCHAR* text, int length) {
  EXPECT_GE(length, 0);
  EXPECT_EQ(text[length], u'\0') << "strings are zero-terminated";
  const std::optional<std::string> utf8 = Utf16ToUtf8({text, static_cast<std::size_t>(length)});
  EXPECT_TRUE(utf8.has_value());
  return utf8.value_or("?");
}

struct Attribute {
  std::string uri{}, localName{}, qName{}, value{};
  bool operator==(const Attribute&) const = default;
};

bool IsDeclaration(const Attribute& a) { return a.qName == "xmlns" || a.qName.starts_with("xmlns:"); }

struct Event {
  std::string kind{};  // start, end, text, pi, startDocument, endDocument, prefix, endPrefix
  std::string uri{}, localName{}, qName{};  // pi: target in qName; prefix: prefix in qName
  std::vector<Attribute> attributes{};
  std::string text{};  // text, pi data, prefix URI
  bool operator==(const Event&) const = default;
};

void PrintTo(const Event& e, std::ostream* os) {
  *os << e.kind << " {" << e.uri << "}" << e.localName << " " << e.qName;
  for (const Attribute& a : e.attributes) *os << " [{" << a.uri << "}" << a.localName << " " << a.qName << "=" << a.value << "]";
  if (!e.text.empty()) *os << " \"" << e.text << "\"";
}

// Records every event, merging adjacent text; optionally fails the call with a given index.
class Recorder final : public ComObject<ISAXContentHandler> {
 public:
  std::vector<Event> events;
  int calls = 0;
  int failAt = -1;
  HRESULT failWith = E_ABORT;
  std::function<HRESULT(ISAXAttributes*)> onStartElement;
  ComPtr<ISAXLocator> locator;

  HRESULT putDocumentLocator(ISAXLocator* l) override {
    locator = ComPtr<ISAXLocator>(l);
    return Note({"locator"});
  }
  HRESULT startDocument() override { return Note({"startDocument"}); }
  HRESULT endDocument() override { return Note({"endDocument"}); }
  HRESULT startPrefixMapping(const WCHAR* prefix, int cchPrefix, const WCHAR* uri, int cchUri) override {
    return Note({"prefix", "", "", Narrow(prefix, cchPrefix), {}, Narrow(uri, cchUri)});
  }
  HRESULT endPrefixMapping(const WCHAR* prefix, int cchPrefix) override {
    return Note({"endPrefix", "", "", Narrow(prefix, cchPrefix)});
  }
  HRESULT startElement(const WCHAR* uri, int cchUri, const WCHAR* local, int cchLocal, const WCHAR* qName,
                       int cchQName, ISAXAttributes* attributes) override {
    Event e{"start", Narrow(uri, cchUri), Narrow(local, cchLocal), Narrow(qName, cchQName)};
    int n = 0;
    EXPECT_EQ(attributes->getLength(&n), S_OK);
    for (int i = 0; i < n; ++i) {
      const WCHAR *u, *l, *q, *v;
      int cu, cl, cq, cv;
      EXPECT_EQ(attributes->getName(i, &u, &cu, &l, &cl, &q, &cq), S_OK);
      EXPECT_EQ(attributes->getValue(i, &v, &cv), S_OK);
      e.attributes.push_back({Narrow(u, cu), Narrow(l, cl), Narrow(q, cq), Narrow(v, cv)});
    }
    const HRESULT hr = onStartElement ? onStartElement(attributes) : S_OK;
    return FAILED(hr) ? hr : Note(std::move(e));
  }
  HRESULT endElement(const WCHAR* uri, int cchUri, const WCHAR* local, int cchLocal, const WCHAR* qName,
                     int cchQName) override {
    return Note({"end", Narrow(uri, cchUri), Narrow(local, cchLocal), Narrow(qName, cchQName)});
  }
  HRESULT characters(const WCHAR* text, int cch) override { return Note({"text", "", "", "", {}, Narrow(text, cch)}); }
  HRESULT ignorableWhitespace(const WCHAR* text, int cch) override { return characters(text, cch); }
  HRESULT processingInstruction(const WCHAR* target, int cchTarget, const WCHAR* data, int cchData) override {
    return Note({"pi", "", "", Narrow(target, cchTarget), {}, Narrow(data, cchData)});
  }
  HRESULT skippedEntity(const WCHAR* name, int cch) override { return Note({"skipped", "", "", Narrow(name, cch)}); }

  // The events libxml2's own reader reports too: structure and text.
  std::vector<Event> Content() const {
    std::vector<Event> content;
    std::copy_if(events.begin(), events.end(), std::back_inserter(content),
                 [](const Event& e) { return e.kind != "locator" && e.kind != "prefix" && e.kind != "endPrefix"; });
    return content;
  }

 private:
  HRESULT Note(Event e) {
    const int index = calls++;
    if (e.kind == "text" && !events.empty() && events.back().kind == "text") {
      events.back().text += e.text;
    } else {
      events.push_back(std::move(e));
    }
    return index == failAt ? failWith : S_OK;
  }
};

// Hands out the bytes a few at a time (1 to 7, in a fixed cycle), so that chunks
// end inside tags, names and multi-byte characters; may fail at an offset.
class TrickleStream final : public ComObject<ISequentialStream> {
 public:
  explicit TrickleStream(std::string data, std::size_t failAt = std::string::npos, HRESULT failWith = S_OK)
      : data_(std::move(data)), failAt_(failAt), failWith_(failWith) {}
  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    if (position_ >= failAt_) return failWith_;
    const std::size_t n = std::min<std::size_t>({cb, 1 + step_++ % 7, data_.size() - position_});
    std::memcpy(pv, data_.data() + position_, n);
    position_ += n;
    *read = static_cast<ULONG>(n);
    return n == 0 ? S_FALSE : S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

 private:
  std::string data_;
  std::size_t position_ = 0;
  std::size_t step_ = 0;
  std::size_t failAt_;
  HRESULT failWith_;
};

ComPtr<ISAXXMLReader> NewReader() {
  ComPtr<ISAXXMLReader> reader;
  EXPECT_EQ(CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_ALL, IID_ISAXXMLReader, reader.PutVoid()), S_OK);
  return reader;
}

HRESULT ParseStream(ISAXXMLReader* reader, ISequentialStream* stream) {
  VARIANT v;
  v.vt = VT_UNKNOWN;
  v.punkVal = stream;
  return reader->parse(v);
}

HRESULT ParseMemory(ISAXXMLReader* reader, const std::string& bytes) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  LARGE_INTEGER start{};
  EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
  return ParseStream(reader, stream.Get());
}

HRESULT ParseTrickle(ISAXXMLReader* reader, const std::string& bytes) {
  const ComPtr<TrickleStream> stream = MakeComObject<TrickleStream>(bytes);
  return ParseStream(reader, stream.Get());
}

HRESULT ParseText(ISAXXMLReader* reader, const std::u16string& text) {
  Variant v;
  v->vt = VT_BSTR;
  v->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return reader->parse(*v.Get());
}

std::string Text(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

std::string Owned(xmlChar* s) {
  std::string text = Text(s);
  xmlFree(s);
  return text;
}

// The same document as libxml2's own reader sees it; nullopt when it refuses it.
std::optional<std::vector<Event>> ReferenceEvents(const std::string& xml) {
  xmlTextReaderPtr r = xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
  if (!r) return std::nullopt;
  xmlTextReaderSetErrorHandler(r, [](void*, const char*, xmlParserSeverities, xmlTextReaderLocatorPtr) {}, nullptr);
  std::vector<Event> events{{"startDocument"}};
  auto names = [&](Event e) {
    e.uri = Text(xmlTextReaderConstNamespaceUri(r));
    e.localName = Text(xmlTextReaderConstLocalName(r));
    e.qName = Text(xmlTextReaderConstName(r));
    return e;
  };
  int status;
  while ((status = xmlTextReaderRead(r)) == 1) {
    switch (xmlTextReaderNodeType(r)) {
      case XML_READER_TYPE_ELEMENT: {
        Event e = names({"start"});
        const bool empty = xmlTextReaderIsEmptyElement(r) == 1;
        while (xmlTextReaderMoveToNextAttribute(r) == 1) {
          const Event a = names({});
          e.attributes.push_back({a.uri, a.localName, a.qName, Owned(xmlTextReaderValue(r))});
        }
        xmlTextReaderMoveToElement(r);
        events.push_back(e);
        if (empty) events.push_back(names({"end"}));
        break;
      }
      case XML_READER_TYPE_END_ELEMENT:
        events.push_back(names({"end"}));
        break;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_WHITESPACE:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        if (events.back().kind != "text") events.push_back({"text"});
        events.back().text += Text(xmlTextReaderConstValue(r));
        break;
      case XML_READER_TYPE_PROCESSING_INSTRUCTION:
        events.push_back({"pi", "", "", Text(xmlTextReaderConstName(r)), {}, Text(xmlTextReaderConstValue(r))});
        break;
      default:
        break;
    }
  }
  xmlFreeTextReader(r);
  if (status != 0) return std::nullopt;
  events.push_back({"endDocument"});
  return events;
}

// libxml2's reader lists namespace declarations before the other attributes;
// compare the two kinds apart, each in its own order.
std::vector<Event> DeclarationsFirst(std::vector<Event> events) {
  for (Event& e : events) std::stable_partition(e.attributes.begin(), e.attributes.end(), IsDeclaration);
  return events;
}

// Covers what a page can hold: namespaces (default, prefixed, redeclared, interleaved
// with attributes), references in text and values, multi-byte text, CDATA, a
// processing instruction, a comment and whitespace.
const std::string kFixture =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- leading comment -->\n"
    "<FixedPage Width=\"816\" xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xml:lang=\"fr-FR\"\n"
    "    xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\" Height=\"1056\">\n"
    "  <Canvas x:Key=\"c\" RenderTransform=\"1,0,0,1,0,0\">\n"
    "    <Glyphs UnicodeString=\"caf\xC3\xA9 \xE2\x82\xAC" "5 &amp; &lt;b&gt; &quot;q&quot; &apos;a&apos; &#38;&#x1F600;\"\n"
    "            Indices=\"1;2;3\" FontUri=\"/fonts/a.odttf\" Note=\"&amp;#38; stays\tliteral&#10;\"/>\n"
    "    <Path Data=\"M 0,0 L 10,10 Z\" Fill=\"#FF000000\"><Path.Fill/></Path>\n"
    "    <p:Extra xmlns:p=\"urn:extra\" p:flag=\"1\" plain=\"2\"><p:Inner xmlns:p=\"urn:other\"/></p:Extra>\n"
    "    <Text>a &lt; b &#x20AC; \xF0\x9F\x98\x80 <![CDATA[<raw> & ]]> tail</Text>\n"
    "    <?kestrel-note keep this?>\n"
    "    <!-- inner comment -->\n"
    "  </Canvas>\n"
    "</FixedPage>\n";

TEST(SaxReader, ReportsWhatLibxml2ReadsWhicheverWayTheBytesArrive) {
  const std::optional<std::vector<Event>> reference = ReferenceEvents(kFixture);
  ASSERT_TRUE(reference.has_value());
  const std::optional<std::u16string> text = Utf8ToUtf16(kFixture.substr(3));  // without the byte-order mark
  ASSERT_TRUE(text.has_value());
  std::string utf16le = "\xFF\xFE";
  for (const char16_t c : *text) utf16le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};

  const std::vector<std::pair<const char*, std::function<HRESULT(ISAXXMLReader*)>>> inputs = {
      {"memory stream", [](ISAXXMLReader* r) { return ParseMemory(r, kFixture); }},
      {"trickle", [](ISAXXMLReader* r) { return ParseTrickle(r, kFixture); }},
      {"UTF-16 trickle", [&](ISAXXMLReader* r) { return ParseTrickle(r, utf16le); }},
      {"string", [&](ISAXXMLReader* r) { return ParseText(r, *text); }},
  };
  // One reader for all: what it keeps from parse to parse must not leak into the next.
  const ComPtr<ISAXXMLReader> reader = NewReader();
  for (const auto& [name, parse] : inputs) {
    SCOPED_TRACE(name);
    const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
    ASSERT_EQ(reader->putContentHandler(recorder.Get()), S_OK);
    ASSERT_EQ(parse(reader.Get()), S_OK);
    EXPECT_EQ(DeclarationsFirst(recorder->Content()), *reference);
    EXPECT_EQ(recorder->events.front().kind, "locator");
  }
}

TEST(SaxReader, KeepsNamespaceDeclarationsInTheirPlaceAndMapsPrefixes) {
  const ComPtr<ISAXXMLReader> reader = NewReader();
  const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
  reader->putContentHandler(recorder.Get());
  // A namespace name with an ampersand arrives decoded, as attribute values do.
  ASSERT_EQ(ParseTrickle(reader.Get(), "<r a='1' xmlns='urn:d' b=\"2\" xmlns:p='urn:p&amp;q' p:c='3'/>"), S_OK);
  const std::string xmlns = "http://www.w3.org/2000/xmlns/";
  const std::vector<Event> expected = {
      {"locator"},
      {"startDocument"},
      {"prefix", "", "", "", {}, "urn:d"},
      {"prefix", "", "", "p", {}, "urn:p&q"},
      {"start",
       "urn:d",
       "r",
       "r",
       {{"", "a", "a", "1"},
        {xmlns, "xmlns", "xmlns", "urn:d"},
        {"", "b", "b", "2"},
        {xmlns, "p", "xmlns:p", "urn:p&q"},
        {"urn:p&q", "c", "p:c", "3"}}},
      {"end", "urn:d", "r", "r"},
      {"endPrefix", "", "", "p"},
      {"endPrefix", "", "", ""},
      {"endDocument"},
  };
  EXPECT_EQ(recorder->events, expected);
}

TEST(SaxReader, AttributesAnswerLookupsAndRefuseBadArguments) {
  const ComPtr<ISAXXMLReader> reader = NewReader();
  const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
  ComPtr<ISAXAttributes> kept;
  recorder->onStartElement = [&](ISAXAttributes* a) {
    kept = ComPtr<ISAXAttributes>(a);
    const WCHAR* value = nullptr;
    int length = 0, index = -1;
    EXPECT_EQ(a->getValueFromQName(u"Fill", 4, &value, &length), S_OK);
    EXPECT_EQ(std::u16string(value, length), u"#FF0000");
    EXPECT_EQ(a->getIndexFromQName(u"Fill", 4, &index), S_OK);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(a->getValueFromQName(u"Fil", 3, &value, &length), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_EQ(a->getIndexFromQName(u"Fill", -1, &index), E_INVALIDARG);
    EXPECT_EQ(a->getValue(2, &value, &length), E_INVALIDARG);
    EXPECT_EQ(a->getQName(-1, &value, &length), E_INVALIDARG);
    EXPECT_EQ(a->getQName(0, &value, &length), S_OK);
    EXPECT_EQ(std::u16string(value, length), u"Data");
    EXPECT_EQ(a->getValue(0, nullptr, &length), E_POINTER);
    EXPECT_EQ(a->getLength(nullptr), E_POINTER);
    return S_OK;
  };
  reader->putContentHandler(recorder.Get());
  ASSERT_EQ(ParseTrickle(reader.Get(), "<Path Data='M 0,0' Fill='#FF0000'/>"), S_OK);
  int length = -1;
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->getLength(&length), S_OK);
  EXPECT_EQ(length, 0) << "a reference kept past the callback sees no stale attributes";
}

TEST(SaxReader, LocatorAndParseErrorTellThePosition) {
  const ComPtr<ISAXXMLReader> reader = NewReader();
  const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
  int line = 0;
  recorder->onStartElement = [&](ISAXAttributes*) { return recorder->locator->getLineNumber(&line); };
  reader->putContentHandler(recorder.Get());
  ASSERT_EQ(ParseMemory(reader.Get(), "<a>\n\n<b/></a>"), S_OK);
  EXPECT_EQ(line, 3);
  int column = -1;
  BSTR message = nullptr;
  EXPECT_EQ(reader->getParseError(&line, &column, &message), S_FALSE);
  EXPECT_EQ(message, nullptr);

  EXPECT_EQ(ParseMemory(reader.Get(), "<a>\n  <b></c>\n</a>"), E_XML_PARSE);
  ASSERT_EQ(reader->getParseError(&line, &column, &message), S_OK);
  const Bstr owned = Bstr::Attach(message);
  EXPECT_EQ(line, 2);
  EXPECT_GT(column, 0);
  EXPECT_NE(owned.View().find(u"mismatch"), std::u16string_view::npos) << Narrow(owned.Get(), static_cast<int>(owned.Length()));
}

TEST(SaxReader, AHandlerFailureStopsTheParseAndIsReturned) {
  const std::string page = "<?xml version='1.0'?><a xmlns:p='urn:p'><b>text</b><?pi data?><c/></a>";
  // Call indices: 0 locator, 1 startDocument, 2 prefix, 3 start a, 4 start b, 5 text, 6 end b,
  // 7 pi, 8 start c, 9 end c, 10 end a, 11 endPrefix, 12 endDocument.
  for (int failAt = 0; failAt <= 12; ++failAt) {
    SCOPED_TRACE(failAt);
    const ComPtr<ISAXXMLReader> reader = NewReader();
    const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
    recorder->failAt = failAt;
    recorder->failWith = HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
    reader->putContentHandler(recorder.Get());
    EXPECT_EQ(ParseTrickle(reader.Get(), page), HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
    EXPECT_EQ(recorder->calls, failAt + 1) << "no event follows the failing one";
    int line, column;
    BSTR message = nullptr;
    EXPECT_EQ(reader->getParseError(&line, &column, &message), S_OK);
    SysFreeString(message);
  }
}

TEST(SaxReader, StreamFailuresAndUnusableInputAreReturned) {
  const ComPtr<ISAXXMLReader> reader = NewReader();
  for (const std::size_t failAt : {std::size_t{0}, std::size_t{2}, std::size_t{20}}) {
    const ComPtr<TrickleStream> stream = MakeComObject<TrickleStream>("<a><b>some text</b></a>", failAt, STG_E_ACCESSDENIED);
    EXPECT_EQ(ParseStream(reader.Get(), stream.Get()), STG_E_ACCESSDENIED) << failAt;
  }
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = 1;
  EXPECT_EQ(reader->parse(v), E_INVALIDARG);
  v.vt = VT_UNKNOWN;
  v.punkVal = nullptr;
  EXPECT_EQ(reader->parse(v), E_INVALIDARG);
  const ComPtr<Recorder> notAStream = MakeComObject<Recorder>();
  v.punkVal = notAStream.Get();
  EXPECT_EQ(reader->parse(v), E_NOINTERFACE);
  EXPECT_EQ(ParseText(reader.Get(), std::u16string(u"<a>\xD800</a>")), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
}

std::string Nested(int depth) {
  std::string xml;
  for (int i = 0; i < depth; ++i) xml += "<e>";
  for (int i = 0; i < depth; ++i) xml += "</e>";
  return xml;
}

TEST(SaxReader, RefusesMalformedAndHostileInput) {
  const std::string laughs =
      "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'>"
      "<!ENTITY lol2 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>"
      "<!ENTITY lol3 '&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;'>"
      "<!ENTITY lol4 '&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;'>"
      "<!ENTITY lol5 '&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;'>"
      "<!ENTITY lol6 '&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;'>"
      "<!ENTITY lol7 '&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;'>"
      "<!ENTITY lol8 '&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;'>"
      "<!ENTITY lol9 '&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;'>]><lolz>&lol9;</lolz>";
  const struct {
    const char* name;
    std::string xml;
    HRESULT expected;
  } cases[] = {
      {"empty", "", E_XML_PARSE},
      {"only whitespace", " \n\t ", E_XML_PARSE},
      {"truncated in a tag", "<FixedPage Width=\"8", E_XML_PARSE},
      {"truncated in content", "<a><b>text</b>", E_XML_PARSE},
      {"mismatched end tag", "<a></b>", E_XML_PARSE},
      {"two roots", "<a/><b/>", E_XML_PARSE},
      {"text after the root", "<a/>tail", E_XML_PARSE},
      {"unbound prefix", "<p:a/>", E_XML_PARSE},
      {"unbound attribute prefix", "<a q:b='1'/>", E_XML_PARSE},
      {"duplicate attribute", "<a b='1' b='2'/>", E_XML_PARSE},
      {"undeclared entity", "<a>&nbsp;</a>", E_XML_PARSE},
      {"less-than in a value", "<a b='<'/>", E_XML_PARSE},
      {"billion laughs", laughs, E_XML_PARSE},
      {"external entity", "<!DOCTYPE a [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><a>&e;</a>", E_XML_PARSE},
      {"external DTD", "<!DOCTYPE a SYSTEM 'http://127.0.0.1:9/a.dtd'><a/>", E_XML_PARSE},
      {"plain DOCTYPE", "<!DOCTYPE a><a/>", E_XML_PARSE},
      {"nesting 257 deep", Nested(257), E_XML_PARSE},
      {"nesting 100000 deep", Nested(100000), E_XML_PARSE},
      {"invalid UTF-8 byte", "<a>\xFF</a>", E_XML_PARSE},
      {"overlong UTF-8", "<a b='\xC0\xAF'/>", E_XML_PARSE},
      {"UTF-8 surrogate", "<a>\xED\xA0\x80</a>", E_XML_PARSE},
      {"Latin-1 without a declaration", "<a>caf\xE9</a>", E_XML_PARSE},
      {"truncated multi-byte character", "<a>\xE2\x82", E_XML_PARSE},
      {"unknown encoding", "<?xml version='1.0' encoding='x-kestrel'?><a/>", E_XML_PARSE},
      {"NUL byte", std::string("<a>\0</a>", 8), E_XML_PARSE},
      {"UTF-16 lone surrogate", std::string("\xFF\xFE<\0a\0>\0\0\xD8\0\0", 11), E_XML_PARSE},
  };
  // The reasons go to getParseError, never to stderr.
  testing::internal::CaptureStderr();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool trickle : {false, true}) {
      const ComPtr<ISAXXMLReader> reader = NewReader();
      const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
      reader->putContentHandler(recorder.Get());
      EXPECT_EQ(trickle ? ParseTrickle(reader.Get(), c.xml) : ParseMemory(reader.Get(), c.xml), c.expected);
      EXPECT_TRUE(recorder->events.empty() || recorder->events.back().kind != "endDocument");
      int line, column;
      BSTR message = nullptr;
      EXPECT_EQ(reader->getParseError(&line, &column, &message), S_OK);
      EXPECT_GT(SysStringLen(message), 0u);
      SysFreeString(message);
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SaxReader, AcceptsNestingUpToTheLimitAndParsesWithoutAHandler) {
  const ComPtr<ISAXXMLReader> reader = NewReader();
  EXPECT_EQ(ParseTrickle(reader.Get(), Nested(256)), S_OK);
  EXPECT_EQ(ParseMemory(reader.Get(), "<a>"), E_XML_PARSE) << "still checked with no handler";
  ComPtr<ISAXContentHandler> none;
  EXPECT_EQ(reader->getContentHandler(none.Put()), S_OK);
  EXPECT_FALSE(none);
}

std::string Command(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Real pages, conforming and not: whatever libxml2 reads, the reader reports the
// same; whatever libxml2 refuses, the reader refuses too.
TEST(SaxReader, CorpusPagesMatchLibxml2) {
  const std::filesystem::path corpus = KESTREL_CORPUS_DIR;
  if (!std::filesystem::exists(corpus / "xps")) GTEST_SKIP() << "no corpus at " << corpus;
  int pages = 0, refused = 0;
  for (const char* folder : {"xps", "oxps", "violations"}) {
    for (const auto& package : std::filesystem::directory_iterator(corpus / folder)) {
      const std::string path = package.path().string();
      std::string entries = Command("unzip -Z1 '" + path + "' 2>/dev/null </dev/null");
      for (std::size_t at = 0, end; (end = entries.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string entry = entries.substr(at, end - at);
        if (!entry.ends_with(".fpage")) continue;
        SCOPED_TRACE(path + " " + entry);
        const std::string page = Command("unzip -p '" + path + "' '" + entry + "' 2>/dev/null </dev/null");
        const std::optional<std::vector<Event>> reference = ReferenceEvents(page);
        const ComPtr<ISAXXMLReader> reader = NewReader();
        const ComPtr<Recorder> recorder = MakeComObject<Recorder>();
        reader->putContentHandler(recorder.Get());
        const HRESULT hr = ParseTrickle(reader.Get(), page);
        if (!reference) {
          EXPECT_TRUE(FAILED(hr));
          ++refused;
          continue;
        }
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(DeclarationsFirst(recorder->Content()), *reference);
        ++pages;
      }
    }
  }
  EXPECT_GT(pages, 0);
  std::printf("pages compared %d refused %d\n", pages, refused);
}

}  // namespace
