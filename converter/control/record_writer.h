// Frames the encoder's bytes as printer-data OutputRecords for the rip
// filter's write callback: bytes gather in a buffer that leaves as one call,
// header and payload together, when it fills and at every page end.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "converter/converter_interface.h"

class RecordWriter {
 public:
  RecordWriter(ConverterWriteCallback write, void* context);

  // false once a write has failed; later bytes are dropped.
  bool Append(const std::uint8_t* bytes, std::size_t length);
  bool Flush();
  bool failed() const { return failed_; }

 private:
  ConverterWriteCallback write_;
  void* context_;
  std::vector<std::uint8_t> buffer_;  // header room, then the payload
  // Also asked from the thread that reads the next page.
  std::atomic<bool> failed_ = false;
};
