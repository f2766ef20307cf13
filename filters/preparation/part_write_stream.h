// An IStream that passes every write on, whole, to a part's IPrintWriteStream,
// so that an encoder writing into an IStream fills the part directly. It only
// writes: reads, seeks and the rest answer STG_E_INVALIDFUNCTION. The part's
// stream is held, not closed: its owner closes it.
#pragma once

#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/print_stream.h"
#include "platform/stream.h"

class PartWriteStream final : public ComObject<IStream> {
 public:
  explicit PartWriteStream(IPrintWriteStream* part) : part_(part) {}

  // The part's first failure, S_OK while there is none: what the encoder
  // above reports in its own terms, the caller can pass on as it was.
  HRESULT FirstFailure() const { return failure_; }

  // All of the bytes or a failure: a part that stops taking them is cut short.
  HRESULT Write(const void* bytes, ULONG count, ULONG* written) override;
  HRESULT Read(void*, ULONG, ULONG* read) override {
    if (read) *read = 0;
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return STG_E_INVALIDFUNCTION; }
  HRESULT SetSize(ULARGE_INTEGER) override { return STG_E_INVALIDFUNCTION; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return STG_E_INVALIDFUNCTION; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG*, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Clone(IStream**) override { return STG_E_INVALIDFUNCTION; }

 private:
  ComPtr<IPrintWriteStream> part_;
  HRESULT failure_ = S_OK;
};
