// A page a filter may rewrite, for filter tests: what is written over it is
// recorded, as are the parts it is given; and the name of a part's ticket.
#pragma once

#include <string>
#include <vector>

#include "recording_write_stream.h"
#include "test_parts.h"

// A page whose markup a write stream replaces, and which records the parts
// it is given. Like the host's pages, once its markup is being replaced it no
// longer reads as the old markup.
class RewritablePage final : public TestTicketedPart<IFixedPage> {
 public:
  using TestTicketedPart::TestTicketedPart;
  HRESULT GetStream(IPrintReadStream** stream) override {
    return written_ ? E_ACCESSDENIED : TestTicketedPart::GetStream(stream);
  }
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown* part) override {
    pageParts_.push_back(ComPtr<IUnknown>(part));
    return S_OK;
  }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream** stream) override {
    written_ = MakeComObject<RecordingWriteStream>();
    if (failingWrite_ >= 0) written_->FailCall(static_cast<std::size_t>(failingWrite_), E_FAIL);
    *stream = ComPtr<IPrintWriteStream>(written_.Get()).Detach();
    return S_OK;
  }
  // The write call with that index (from 0) fails.
  void FailWrite(int index) { failingWrite_ = index; }
  // The rewritten markup, or NULL when the page was not rewritten.
  const RecordingWriteStream* written() const { return written_.Get(); }
  const std::vector<ComPtr<IUnknown>>& page_parts() const { return pageParts_; }

 private:
  ComPtr<RecordingWriteStream> written_;
  std::vector<ComPtr<IUnknown>> pageParts_;
  int failingWrite_ = -1;
};

// The name and text of a part's ticket, "" without one.
template <typename Part>
std::string TicketName(const Part& part) {
  return part.ticket() ? static_cast<TestTicket*>(part.ticket())->uri() : "";
}
