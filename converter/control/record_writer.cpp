#include "converter/control/record_writer.h"

#include <algorithm>
#include <cstring>

namespace {
// Large enough that the callback's per-call cost disappears, small enough to
// keep the job's memory flat.
constexpr std::size_t kRecordPayload = 256 * 1024;
}  // namespace

RecordWriter::RecordWriter(ConverterWriteCallback write, void* context) : write_(write), context_(context) {
  buffer_.reserve(sizeof(OutputRecordHeader) + kRecordPayload);
  buffer_.resize(sizeof(OutputRecordHeader));
}

bool RecordWriter::Append(const std::uint8_t* bytes, std::size_t length) {
  while (length > 0 && !failed_) {
    const std::size_t room = sizeof(OutputRecordHeader) + kRecordPayload - buffer_.size();
    const std::size_t n = std::min(room, length);
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    bytes += n;
    length -= n;
    if (buffer_.size() == sizeof(OutputRecordHeader) + kRecordPayload) Flush();
  }
  return !failed_;
}

bool RecordWriter::Flush() {
  const std::size_t payload = buffer_.size() - sizeof(OutputRecordHeader);
  if (failed_ || payload == 0) return !failed_;
  OutputRecordHeader header{};
  header.kind = kOutputPrinterData;
  header.length = static_cast<DWORD>(payload);  // at most kRecordPayload
  std::memcpy(buffer_.data(), &header, sizeof header);
  if (FAILED(write_(buffer_.data(), static_cast<DWORD>(buffer_.size()), context_))) failed_ = true;
  buffer_.resize(sizeof(OutputRecordHeader));
  return !failed_;
}
