// The converter's output as it arrives through the write callback: a stream
// of records (an 8-byte header, then the payload) cut into calls anywhere,
// even inside a header or a UTF-16 unit. Printer data (kind 0) goes to the
// pipeline's output stream as it comes; a file name (kind 1) is gathered
// whole and listed in the OutputListFile; other kinds are skipped.
//
// The first failure sticks: later printer data is not written (the output
// would have a hole) and every later call returns it, so the filter can fail
// the job with it after the page.
//
// The converter may write while the filter reads the next page, so each call
// takes the stream's lock.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "converter/converter_interface.h"
#include "filters/rip/output_list_file.h"
#include "platform/print_stream.h"

class OutputRecordStream {
 public:
  OutputRecordStream(IPrintWriteStream* output, OutputListFile& list) : output_(output), list_(list) {}

  // One call of the write callback.
  HRESULT Take(const BYTE* data, std::size_t length);
  // Ends the stream with a failure (a stopped job): nothing more is written.
  void Stop(HRESULT reason, std::string why);

  HRESULT status() const;
  // What went wrong, in words; empty while status() succeeds.
  std::string failure() const;
  // True between records.
  bool AtRecordBoundary() const;

 private:
  std::size_t TakeHeader(const BYTE* data, std::size_t length);
  void TakePayload(const BYTE* data, std::size_t length);
  void FinishRecord();
  HRESULT Write(const BYTE* data, std::size_t length);
  void Fail(HRESULT hr, std::string why);

  mutable std::mutex mutex_;
  IPrintWriteStream* output_;
  OutputListFile& list_;
  BYTE header_[sizeof(OutputRecordHeader)] = {};
  std::size_t header_bytes_ = 0;
  DWORD remaining_ = 0;  // payload bytes of the current record still to come
  BYTE kind_ = 0;
  std::vector<BYTE> name_;  // a file name's bytes so far
  HRESULT status_ = S_OK;
  std::string failure_;
};
