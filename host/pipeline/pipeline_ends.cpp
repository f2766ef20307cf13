#include "host/pipeline/pipeline_ends.h"

namespace kestrel::host {

HRESULT ProviderEnd::GetXpsPart(IUnknown** part) {
  if (!part) return E_POINTER;
  *part = nullptr;
  ComPtr<IUnknown> next;
  const HRESULT hr = channel_->Receive(next);
  if (SUCCEEDED(hr)) *part = next.Detach();
  return hr;
}

HRESULT ConsumerEnd::Send(IUnknown* part) {
  if (!part) return E_POINTER;
  return channel_->Send(ComPtr<IUnknown>(part));
}

HRESULT ConsumerEnd::CloseSender() { return channel_->CloseSender() ? S_OK : E_UNEXPECTED; }

HRESULT ConsumerEnd::GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) {
  if (!uri || !part || !stream) return E_POINTER;
  *part = nullptr;
  *stream = nullptr;
  return maker_->MakeEmptyPart(uri, riid, part, stream);
}

}  // namespace kestrel::host
