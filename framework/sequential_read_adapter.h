// An ISequentialStream over a pipeline read stream, through which the XML DOM
// loads a part's ticket as it arrives. Reading only.
#pragma once

#include "framework/unknown_base.h"
#include "platform/print_stream.h"
#include "platform/stream.h"

class SequentialReadAdapter final : public UnknownBase<ISequentialStream> {
 public:
  explicit SequentialReadAdapter(IPrintReadStream* stream) : stream_(stream) {}

  HRESULT Read(void* pv, ULONG cb, ULONG* read) override;
  HRESULT Write(const void* pv, ULONG cb, ULONG* written) override;

 private:
  ComPtr<IPrintReadStream> stream_;
};
