// The parts a scripted job is made of: sequences, documents and pages with an
// optional print ticket, thumbnails and the package itself. A part's content,
// when it has any, is what its GetStream reads; a part without content
// answers E_NOTIMPL there.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com_object.h"
#include "platform/part_content.h"
#include "platform/utf.h"
#include "platform/xps_parts.h"

inline std::u16string U16(std::string_view text) { return Utf8ToUtf16(text).value(); }
inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text).value(); }

inline std::shared_ptr<PartContent> ContentOf(std::string_view bytes) {
  return CreateCompletePartContent(std::vector<BYTE>(bytes.begin(), bytes.end()));
}

// Everything a read stream gives until its end.
inline std::string ReadAll(IPrintReadStream* reader) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    if (FAILED(reader->ReadBytes(buffer, sizeof buffer, &read, &end))) break;
    bytes.append(buffer, read);
    if (end || read == 0) break;
  }
  return bytes;
}

inline std::string ReadAll(PartContent& content) {
  ComPtr<IPrintReadStream> reader;
  EXPECT_EQ(content.OpenReader(reader.Put()), S_OK);
  return reader ? ReadAll(reader.Get()) : std::string();
}

template <typename I>
class TestPart : public ComObject<I> {
 public:
  explicit TestPart(std::string uri, std::shared_ptr<PartContent> content = nullptr)
      : uri_(std::move(uri)), content_(std::move(content)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(U16(uri_).c_str());
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override {
    if (!content_) return E_NOTIMPL;
    return content_->OpenReader(stream);
  }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

  const std::string& uri() const { return uri_; }
  std::string Bytes() const { return content_ ? ReadAll(*content_) : std::string(); }

 private:
  std::string uri_;
  std::shared_ptr<PartContent> content_;
};

using TestTicket = TestPart<IPartPrintTicket>;

// A print ticket part of the given XML.
inline ComPtr<IPartPrintTicket> TicketPart(std::string_view xml, std::string uri = "/ticket.xml") {
  return MakeComObject<TestTicket, IPartPrintTicket>(std::move(uri), ContentOf(xml));
}

// A part with a print ticket (or none), counting how often it is asked for it.
template <typename I>
class TestTicketedPart : public TestPart<I> {
 public:
  using TestPart<I>::TestPart;
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    ++ticketReads_;
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *ticket = ComPtr<IPartPrintTicket>(ticket_).Detach();
    return S_OK;
  }
  HRESULT SetPrintTicket(IPartPrintTicket* ticket) override {
    ticket_ = ComPtr<IPartPrintTicket>(ticket);
    return S_OK;
  }
  int ticketReads() const { return ticketReads_; }
  IPartPrintTicket* ticket() const { return ticket_.Get(); }

 private:
  ComPtr<IPartPrintTicket> ticket_;
  int ticketReads_ = 0;
};

class TestPage final : public TestTicketedPart<IFixedPage> {
 public:
  using TestTicketedPart::TestTicketedPart;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }
};

using TestSequence = TestTicketedPart<IFixedDocumentSequence>;
using TestDocument = TestTicketedPart<IFixedDocument>;

// A part of uri carrying the ticket XML given; an empty ticket means none.
template <typename Part>
ComPtr<Part> TicketedPart(std::string uri, std::string_view ticket, std::shared_ptr<PartContent> content = nullptr) {
  const auto part = MakeComObject<Part>(std::move(uri), std::move(content));
  if (!ticket.empty()) part->SetPrintTicket(TicketPart(ticket).Get());
  return part;
}

// A part that is none of the sequence, document, page or package.
class TestThumbnail final : public TestPart<IPartThumbnail> {
 public:
  using TestPart::TestPart;
  HRESULT GetThumbnailProperties(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetThumbnailContent(BSTR) override { return E_NOTIMPL; }
};

class TestXpsDocument final : public ComObject<IXpsDocument> {
 public:
  HRESULT GetThumbnail(IPartThumbnail**) override { return E_NOTIMPL; }
  HRESULT SetThumbnail(IPartThumbnail*) override { return E_NOTIMPL; }
};

// "xps" for the package, else "<kind> <uri>" with kind sequence, document,
// page or other (answering none of the four part interfaces); no tickets.
inline ComPtr<IUnknown> MakePart(const std::string& spec) {
  if (spec == "xps") return MakeComObject<TestXpsDocument, IUnknown>();
  const std::size_t space = spec.find(' ');
  const std::string kind = spec.substr(0, space), uri = spec.substr(space + 1);
  if (kind == "sequence") return MakeComObject<TestSequence, IUnknown>(uri);
  if (kind == "document") return MakeComObject<TestDocument, IUnknown>(uri);
  if (kind == "page") return MakeComObject<TestPage, IUnknown>(uri);
  return MakeComObject<TestThumbnail, IUnknown>(uri);
}

// The part's URI; "xps" for the package, which has none.
inline std::string PartName(IUnknown* part) {
  ComPtr<IPartBase> base;
  if (!part || FAILED(part->QueryInterface(IID_IPartBase, base.PutVoid()))) return "xps";
  BSTR uri = nullptr;
  base->GetUri(&uri);
  std::string name = U8(std::u16string_view(uri, SysStringLen(uri)));
  SysFreeString(uri);
  return name;
}
