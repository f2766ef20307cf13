// The output of a chain whose last filter writes printer data: its bytes go
// to a temporary file beside the output, renamed onto it only when the job
// succeeds; or straight into a descriptor the caller owns (a CUPS filter's
// standard output), where what was written before a failure stays written.
#pragma once

#include <filesystem>
#include <mutex>

#include "platform/com_object.h"
#include "platform/print_stream.h"

namespace kestrel::host {

class ByteOutput final : public ComObject<IPrintWriteStream> {
 public:
  // Throws HostError when the temporary file cannot be made.
  static ComPtr<ByteOutput> Create(const std::filesystem::path& output);
  // Writes into fd, which stays open.
  static ComPtr<ByteOutput> OnDescriptor(int fd);

  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override;
  void Close() override;

  // Renames the bytes onto the output (a descriptor: nothing to move);
  // throws HostError on a write failure.
  void Commit();
  // Removes the temporary file (also done by the destructor when not committed).
  void Discard();

 private:
  ByteOutput(std::filesystem::path output, std::filesystem::path temp, int fd, bool owned);
  ~ByteOutput() override;

  std::mutex mutex_;
  const std::filesystem::path output_;
  const std::filesystem::path temp_;
  int fd_;
  const bool owned_;  // a temporary file of ours, not the caller's descriptor
  int error_ = 0;
  bool settled_ = false;
};

}  // namespace kestrel::host
