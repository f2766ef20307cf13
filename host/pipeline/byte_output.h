// The output of a chain whose last filter writes printer data: its bytes go
// to a temporary file beside the output, renamed onto it only when the job
// succeeds.
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

  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override;
  void Close() override;

  // Renames the bytes onto the output; throws HostError on a write failure.
  void Commit();
  // Removes the temporary file (also done by the destructor when not committed).
  void Discard();

 private:
  ByteOutput(std::filesystem::path output, std::filesystem::path temp, int fd);
  ~ByteOutput() override;

  std::mutex mutex_;
  const std::filesystem::path output_;
  const std::filesystem::path temp_;
  int fd_;
  int error_ = 0;
  bool settled_ = false;
};

}  // namespace kestrel::host
