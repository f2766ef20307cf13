// The rip filter's channel to the print UI host of the job's user: opened when
// the job starts (through the pipeline's print class factory), used at most
// once at its end to ask for the manual-duplex program, released with the
// filter. The host closes it when the job ends.
#pragma once

#include <string_view>

#include "platform/async_notify.h"
#include "platform/filter_pipeline.h"

class ManualDuplexChannel {
 public:
  // S_OK without opening anything on a system older than version 6 or
  // without a factory; the factory's or the channel's failure; E_POINTER when
  // no channel came.
  HRESULT Open(IPrintClassObjectFactory* factory, LPCWSTR printerName, DWORD jobId);
  // Sends the request for the argument: E_POINTER without a channel,
  // HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the request would be
  // too long, E_OUTOFMEMORY, or the channel's answer.
  HRESULT Send(std::u16string_view argument);
  void Release();

 private:
  ComPtr<IPrintAsyncNotify> notify_;
  ComPtr<IPrintAsyncNotifyChannel> channel_;
};
