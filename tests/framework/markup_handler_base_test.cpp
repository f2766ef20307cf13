// The markup handler base: default callbacks, buffered writes with the flush
// threshold, the stream target, failures, and a handler driven by the SAX reader.
#include "framework/markup_handler_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com.h"
#include "recording_write_stream.h"

namespace {

using Calls = std::vector<ULONG>;
constexpr std::size_t kThreshold = MarkupHandlerBase::kFlushThreshold;

// Copies elements and text as they arrive (no attributes, no escaping).
class CopyHandler final : public MarkupHandlerBase {
 public:
  explicit CopyHandler(IPrintWriteStream* stream) : MarkupHandlerBase(stream) {}

  HRESULT startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int cchQName,
                       ISAXAttributes*) override {
    return Tag(u"<", qName, cchQName);
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int cchQName) override {
    return Tag(u"</", qName, cchQName);
  }
  HRESULT characters(const WCHAR* text, int cchText) override {
    return Write(std::u16string_view(text, static_cast<std::size_t>(cchText)));
  }

 private:
  HRESULT Tag(std::u16string_view open, const WCHAR* name, int length) {
    std::u16string tag(open);
    tag.append(name, static_cast<std::size_t>(length)).append(u">");
    return Write(tag);
  }
};

ComPtr<CopyHandler> HandlerOn(IPrintWriteStream* stream) { return MakeComObject<CopyHandler>(stream); }

TEST(MarkupHandlerBase, EveryCallbackSucceedsByDefault) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  {
    const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
    MarkupHandlerBase& base = *handler;
    const WCHAR* name = u"x";
    EXPECT_EQ(base.putDocumentLocator(nullptr), S_OK);
    EXPECT_EQ(base.startDocument(), S_OK);
    EXPECT_EQ(base.endDocument(), S_OK);
    EXPECT_EQ(base.startPrefixMapping(name, 1, name, 1), S_OK);
    EXPECT_EQ(base.endPrefixMapping(name, 1), S_OK);
    EXPECT_EQ(base.MarkupHandlerBase::startElement(name, 1, name, 1, name, 1, nullptr), S_OK);
    EXPECT_EQ(base.MarkupHandlerBase::endElement(name, 1, name, 1, name, 1), S_OK);
    EXPECT_EQ(base.MarkupHandlerBase::characters(name, 1), S_OK);
    EXPECT_EQ(base.ignorableWhitespace(name, 1), S_OK);
    EXPECT_EQ(base.processingInstruction(name, 1, name, 1), S_OK);
    EXPECT_EQ(base.skippedEntity(name, 1), S_OK);

    ComPtr<ISAXContentHandler> asked;
    EXPECT_EQ(handler->QueryInterface(IID_ISAXContentHandler, asked.PutVoid()), S_OK);
    EXPECT_EQ(handler.Get()->Flush(), S_OK);  // nothing pending: no call
  }
  EXPECT_TRUE(stream->calls.empty());
}

TEST(MarkupHandlerBase, WritesPendingTextOnceMoreThanTheThresholdWaits) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  {
    const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
    EXPECT_EQ(handler->Write(std::u16string(kThreshold, u'a')), S_OK);
    EXPECT_EQ(handler->Write(u"b"), S_OK);  // exactly the threshold was pending
    EXPECT_TRUE(stream->calls.empty());
    EXPECT_EQ(handler->Write(u"c"), S_OK);  // more than the threshold: written first
    EXPECT_EQ(stream->calls, (Calls{kThreshold + 1}));
  }
  EXPECT_EQ(stream->calls, (Calls{kThreshold + 1, 1}));  // the rest when the handler goes
  EXPECT_EQ(stream->bytes, std::string(kThreshold, 'a') + "bc");
}

TEST(MarkupHandlerBase, KeepsASurrogatePairWholeAcrossTheThreshold) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
  EXPECT_EQ(handler->Write(std::u16string(kThreshold, u'a') + u"\xD83D"), S_OK);
  EXPECT_EQ(handler->Write(u"\xDE00"), S_OK);
  EXPECT_EQ(handler->Flush(), S_OK);
  EXPECT_EQ(stream->calls, (Calls{kThreshold, 4}));
  EXPECT_EQ(stream->bytes, std::string(kThreshold, 'a') + "\xF0\x9F\x98\x80");
}

TEST(MarkupHandlerBase, WritesToTheStreamTargetWithoutAWriteStream) {
  ComPtr<IStream> target;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, target.Put()), S_OK);
  const ComPtr<CopyHandler> handler = HandlerOn(nullptr);
  EXPECT_EQ(handler->Write(u"<FixedPage/>\u00E9"), S_OK);
  EXPECT_EQ(handler->Flush(), E_POINTER);  // nowhere to write: the text is not taken as written
  EXPECT_EQ(handler->Write(u"more"), E_POINTER);

  const ComPtr<CopyHandler> targeted = HandlerOn(nullptr);
  targeted->SetStreamTarget(target.Get());
  EXPECT_EQ(targeted->Write(u"<FixedPage/>\u00E9"), S_OK);
  EXPECT_EQ(targeted->Flush(), S_OK);
  ULARGE_INTEGER size{};
  ASSERT_EQ(target->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size), S_OK);
  std::string bytes(size.QuadPart, '\0');
  ULONG read = 0;
  ASSERT_EQ(target->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(target->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), S_OK);
  EXPECT_EQ(bytes, "<FixedPage/>\xC3\xA9");
}

TEST(MarkupHandlerBase, AFailedWriteEndsTheOutput) {
  struct Case {
    const char* name;
    std::u16string first;  // written, then Flush
    bool stream_fails;
    HRESULT failure;
  };
  const Case cases[] = {
      {"stream failure", u"<a>", true, STG_E_ACCESSDENIED},
      {"text that is not UTF-16", u"<a>\xD800", false, E_FAIL},
  };
  for (const Case& c : cases) {
    const auto stream = MakeComObject<RecordingWriteStream>();
    if (c.stream_fails) stream->FailCall(0, STG_E_ACCESSDENIED);
    {
      const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
      EXPECT_EQ(handler->Write(c.first), S_OK) << c.name;
      EXPECT_EQ(handler->Flush(), c.failure) << c.name;
      // Later text would follow a hole: it is refused, and the failure stays visible.
      EXPECT_EQ(handler->Write(u"</a>"), c.failure) << c.name;
      EXPECT_EQ(handler->Flush(), c.failure) << c.name;
    }
    EXPECT_EQ(stream->calls.size(), c.stream_fails ? 1u : 0u) << c.name;
    EXPECT_EQ(stream->bytes, "") << c.name;
  }
}

TEST(MarkupHandlerBase, AThresholdFlushFailureIsTheWriteResult) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  stream->FailCall(0, STG_E_MEDIUMFULL);
  const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
  EXPECT_EQ(handler->Write(std::u16string(kThreshold + 1, u'a')), S_OK);
  EXPECT_EQ(handler->Write(u"b"), STG_E_MEDIUMFULL);
  EXPECT_EQ(stream->calls, (Calls{kThreshold + 1}));
}

HRESULT Parse(ISAXContentHandler* handler, const std::string& document) {
  ComPtr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_ALL, IID_ISAXXMLReader, reader.PutVoid());
  if (FAILED(hr)) return hr;
  if (FAILED(hr = reader->putContentHandler(handler))) return hr;
  ComPtr<IStream> input;
  if (FAILED(hr = CreateStreamOnHGlobal(nullptr, TRUE, input.Put()))) return hr;
  ULONG written = 0;
  if (FAILED(hr = input->Write(document.data(), static_cast<ULONG>(document.size()), &written))) return hr;
  if (FAILED(hr = input->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) return hr;
  VARIANT source;
  source.vt = VT_UNKNOWN;
  source.punkVal = input.Get();
  return reader->parse(source);
}

// A page whose text is longer than the threshold, with two- and four-byte characters.
std::string LongPage() {
  std::string text;
  while (text.size() < 3 * kThreshold) text += "ab\xC3\xA9\xF0\x9F\x98\x80";
  return "<FixedPage><Glyphs>" + text + "</Glyphs></FixedPage>";
}

TEST(MarkupHandlerBase, CopiesAPageLongerThanTheThresholdThroughTheSaxReader) {
  const std::string page = LongPage();
  const auto stream = MakeComObject<RecordingWriteStream>();
  const ComPtr<CopyHandler> handler = HandlerOn(stream.Get());
  ASSERT_EQ(Parse(handler.Get(), page), S_OK);
  EXPECT_EQ(handler->Flush(), S_OK);
  EXPECT_EQ(stream->bytes, page);
  ASSERT_GE(stream->calls.size(), 2u);
  EXPECT_GT(stream->calls.front(), kThreshold);

  const auto failing = MakeComObject<RecordingWriteStream>();
  failing->FailCall(0, STG_E_ACCESSDENIED);
  const ComPtr<CopyHandler> stopped = HandlerOn(failing.Get());
  EXPECT_EQ(Parse(stopped.Get(), page), STG_E_ACCESSDENIED);  // the parse ends with the write
  EXPECT_EQ(stopped->Flush(), STG_E_ACCESSDENIED);
  EXPECT_EQ(failing->calls.size(), 1u);
}

}  // namespace
