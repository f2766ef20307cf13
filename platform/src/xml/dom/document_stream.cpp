#include "document_stream.h"

#include <cstring>

#include "document.h"
#include "parser.h"
#include "serialization.h"

namespace xmldom {

HRESULT DocumentStream::Create(Document& owner, IStream** stream) {
  *stream = nullptr;
  std::string markup;
  HRESULT hr = SerializeDocument(owner.Tree(), Declaration::kWithEncoding, &markup);
  if (FAILED(hr)) return hr;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, markup.size());
  if (!block) return E_OUTOFMEMORY;
  if (!markup.empty()) std::memcpy(GlobalLock(block), markup.data(), markup.size());
  ComPtr<IStream> inner;
  hr = CreateStreamOnHGlobal(block, TRUE, inner.Put());
  if (FAILED(hr)) {
    GlobalFree(block);
    return hr;
  }
  auto* made = new (std::nothrow) DocumentStream(owner, block, std::move(inner));
  if (!made) return E_OUTOFMEMORY;
  *stream = made;
  return S_OK;
}

DocumentStream::DocumentStream(Document& owner, HGLOBAL block, ComPtr<IStream> inner)
    : owner_(&owner), block_(block), inner_(std::move(inner)) {}

DocumentStream::~DocumentStream() { owner_->StreamGone(this); }

std::string_view DocumentStream::Bytes() const {
  return {static_cast<const char*>(GlobalLock(block_)), GlobalSize(block_)};
}

HRESULT DocumentStream::Write(const void* pv, ULONG cb, ULONG* written) {
  ULONG done = 0;
  const HRESULT hr = inner_->Write(pv, cb, &done);
  if (written) *written = done;
  if (done > 0) Written();
  return hr;
}

HRESULT DocumentStream::SetSize(ULARGE_INTEGER size) {
  const HRESULT hr = inner_->SetSize(size);
  if (SUCCEEDED(hr)) Written();
  return hr;
}

void DocumentStream::Written() {
  ++writes_;
  owner_->StreamWritten(this);
}

// The document's side of its streams.

void Document::StreamWritten(DocumentStream* stream) {
  if (written_stream_ != stream) TakeInStreamWrites();
  written_stream_ = stream;
}

void Document::StreamGone(DocumentStream* stream) {
  if (written_stream_ != stream) return;
  TakeInStreamWrites();
  written_stream_ = nullptr;
}

void Document::TakeInStreamWrites() {
  if (!written_stream_ || !written_stream_->HasWritesNotTakenIn()) return;
  written_stream_->MarkTakenIn();
  // Bytes that do not (yet) form a document leave the content as it is.
  if (xmlDoc* parsed = ParseDocument(written_stream_->Bytes(), nullptr)) Adopt(parsed);
}

}  // namespace xmldom
