#include "framework/sequential_read_adapter.h"

HRESULT SequentialReadAdapter::Read(void* pv, ULONG cb, ULONG* read) {
  if (!pv && cb != 0) return E_POINTER;
  ULONG count = 0;
  BOOL endOfFile = FALSE;
  const HRESULT hr = stream_->ReadBytes(pv, cb, &count, &endOfFile);
  if (read) *read = count;
  return hr;
}

HRESULT SequentialReadAdapter::Write(const void*, ULONG, ULONG*) { return E_NOTIMPL; }
