#include "framework/print_read_stream_adapter.h"

#include <cstring>

#include "platform/com.h"
#include "ticket/hresult_error.h"

namespace {

constexpr char16_t kStreamName[] = u"PrintReadStream";

}  // namespace

PrintReadStreamAdapter::PrintReadStreamAdapter(IPrintReadStream* stream) : stream_(stream) {
  ThrowIfFailed(CoFileTimeNow(&modified_));
  created_ = accessed_ = modified_;
}

HRESULT PrintReadStreamAdapter::QueryInterface(REFIID riid, void** ppv) {
  if (ppv && riid == IID_ISequentialStream) {
    *ppv = static_cast<ISequentialStream*>(this);
    AddRef();
    return S_OK;
  }
  return UnknownBase::QueryInterface(riid, ppv);
}

HRESULT PrintReadStreamAdapter::Read(void* pv, ULONG cb, ULONG* read) {
  if (!pv || !read) return E_POINTER;
  *read = 0;
  const HRESULT hr = CoFileTimeNow(&accessed_);
  if (FAILED(hr)) return hr;
  if (cb == 0) return S_OK;
  BOOL endOfFile = FALSE;
  return stream_->ReadBytes(pv, cb, read, &endOfFile);
}

HRESULT PrintReadStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  ULONGLONG position = 0;
  const HRESULT hr = stream_->Seek(move.QuadPart, origin, &position);
  if (SUCCEEDED(hr) && newPosition) newPosition->QuadPart = position;
  return hr;
}

HRESULT PrintReadStreamAdapter::MeasureSize() {
  if (size_ != 0) return S_OK;
  ULONGLONG position = 0;
  HRESULT hr = stream_->Seek(0, STREAM_SEEK_CUR, &position);
  if (FAILED(hr)) return hr;
  ULONGLONG end = 0;
  hr = stream_->Seek(0, STREAM_SEEK_END, &end);
  if (FAILED(hr)) return hr;
  if (position > static_cast<ULONGLONG>(INT64_MAX)) return E_FAIL;
  hr = stream_->Seek(static_cast<LONGLONG>(position), STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  size_ = end;
  return S_OK;
}

HRESULT PrintReadStreamAdapter::Stat(STATSTG* statstg, DWORD flag) {
  if (!statstg) return E_POINTER;
  const HRESULT hr = MeasureSize();
  if (FAILED(hr)) return hr;
  LPWSTR name = nullptr;
  if (flag != STATFLAG_NONAME) {
    name = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(kStreamName)));
    if (!name) return E_OUTOFMEMORY;
    std::memcpy(name, kStreamName, sizeof(kStreamName));
  }
  *statstg = STATSTG{};
  statstg->pwcsName = name;
  statstg->type = STGTY_STREAM;
  statstg->cbSize.QuadPart = size_;
  statstg->mtime = modified_;
  statstg->ctime = created_;
  statstg->atime = accessed_;
  statstg->grfMode = STGM_SHARE_DENY_WRITE;
  statstg->grfLocksSupported = LOCK_WRITE;
  return S_OK;
}

HRESULT PrintReadStreamAdapter::Write(const void*, ULONG, ULONG*) { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}
HRESULT PrintReadStreamAdapter::Commit(DWORD) { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::Revert() { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT PrintReadStreamAdapter::Clone(IStream**) { return E_NOTIMPL; }
