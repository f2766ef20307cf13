// The base of every page rewriter: an ISAXContentHandler whose callbacks all
// succeed and do nothing until a derived handler replaces them, and whose
// markup goes through one buffer into the page's write stream (or, for a
// handler without one, into a stream target its creator sets).
//
// Text collects until more than kFlushThreshold characters are pending; the
// next Write then sends it on first, so a page of ordinary size reaches the
// stream in one call (a surrogate pair split between two writes there stays
// whole, in the next piece). Destruction flushes what is left. A flush empties the
// buffer whatever its result. Once a write has failed the handler writes
// nothing more, and every later Write and Flush returns that failure: markup
// with a hole in it must not pass for complete. Owners therefore Flush before
// releasing the handler and take that result, which destruction cannot give.
#pragma once

#include <cstddef>
#include <string_view>

#include "framework/markup_buffer.h"
#include "framework/unknown_base.h"
#include "platform/print_stream.h"
#include "platform/stream.h"
#include "platform/xml_sax.h"

class MarkupHandlerBase : public UnknownBase<ISAXContentHandler> {
 public:
  static constexpr std::size_t kFlushThreshold = 0x4FFFF;

  ~MarkupHandlerBase() override;

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

  // Where text goes when the handler has no write stream.
  void SetStreamTarget(IStream* target) { stream_target_ = ComPtr<IStream>(target); }

  // Adds text (NULL: none), first flushing when more than kFlushThreshold
  // characters are pending; returns the flush's failure, or E_OUTOFMEMORY.
  HRESULT Write(std::u16string_view text) noexcept;
  HRESULT Write(LPCWSTR text) noexcept { return Write(text ? std::u16string_view(text) : std::u16string_view()); }

  // Writes the pending text as UTF-8 in one call to the write stream, or to the
  // stream target when there is no write stream; E_POINTER when there is neither.
  HRESULT Flush() noexcept;

 protected:
  // stream may be NULL when the creator sets a stream target instead.
  explicit MarkupHandlerBase(IPrintWriteStream* stream) : write_stream_(stream) {}

 private:
  HRESULT FlushKeepingPairWhole();
  HRESULT WritePending();

  ComPtr<IPrintWriteStream> write_stream_;
  ComPtr<IStream> stream_target_;
  MarkupBuffer output_;
  HRESULT failure_ = S_OK;
};
