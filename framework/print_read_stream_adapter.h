// An IStream over a pipeline read stream, so that the XML DOM can load a part's
// bytes. Reads and seeks go to the pipeline stream; writing is not supported.
#pragma once

#include "framework/unknown_base.h"
#include "platform/print_stream.h"
#include "platform/stream.h"

class PrintReadStreamAdapter final : public UnknownBase<IStream> {
 public:
  // The three times of Stat are the time of construction. Throws HResultError
  // when the clock fails.
  explicit PrintReadStreamAdapter(IPrintReadStream* stream);

  // IStream, and ISequentialStream, its base, through which readers take any stream.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  // E_POINTER for a NULL buffer or count; touches the access time.
  HRESULT Read(void* pv, ULONG cb, ULONG* read) override;
  HRESULT Write(const void* pv, ULONG cb, ULONG* written) override;
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
  HRESULT SetSize(ULARGE_INTEGER newSize) override;
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
  HRESULT Commit(DWORD flags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
  HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
  // The size (measured once by seeking to the end and back), the name
  // "PrintReadStream" unless flag is STATFLAG_NONAME, and the three times.
  HRESULT Stat(STATSTG* statstg, DWORD flag) override;
  HRESULT Clone(IStream** clone) override;

 private:
  HRESULT MeasureSize();

  ComPtr<IPrintReadStream> stream_;
  ULONGLONG size_ = 0;  // 0 until measured
  FILETIME modified_{};
  FILETIME created_{};
  FILETIME accessed_{};
};
