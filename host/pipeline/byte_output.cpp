#include "host/pipeline/byte_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "host/pipeline/host_error.h"

namespace kestrel::host {

ComPtr<ByteOutput> ByteOutput::Create(const std::filesystem::path& output) {
  std::string pattern = (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0)
    throw HostError(output.string() + ": cannot create the output (" + std::strerror(errno) + ")",
                    E_ACCESSDENIED);
  // mkostemp makes the file private; the output is an ordinary file.
  ::fchmod(fd, 0644);
  return ComPtr<ByteOutput>::Attach(new ByteOutput(output, name.data(), fd, true));
}

ComPtr<ByteOutput> ByteOutput::OnDescriptor(int fd) {
  return ComPtr<ByteOutput>::Attach(new ByteOutput("standard output", {}, fd, false));
}

ByteOutput::ByteOutput(std::filesystem::path output, std::filesystem::path temp, int fd, bool owned)
    : output_(std::move(output)), temp_(std::move(temp)), fd_(fd), owned_(owned) {}

ByteOutput::~ByteOutput() { Discard(); }

HRESULT ByteOutput::WriteBytes(const void* buffer, ULONG cb, ULONG* written) {
  if (written) *written = 0;
  if (!buffer && cb) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return E_UNEXPECTED;
  const char* bytes = static_cast<const char*>(buffer);
  ULONG done = 0;
  while (done < cb) {
    const ssize_t n = ::write(fd_, bytes + done, cb - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = errno ? errno : EIO;
      return errno == ENOSPC ? STG_E_MEDIUMFULL : E_FAIL;
    }
    done += static_cast<ULONG>(n);
  }
  if (written) *written = done;
  return S_OK;
}

void ByteOutput::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  if (owned_ && ::close(fd_) != 0 && !error_) error_ = errno;
  fd_ = -1;
}

void ByteOutput::Commit() {
  Close();
  std::lock_guard lock(mutex_);
  if (error_)
    throw HostError(output_.string() + ": writing the output failed (" + std::strerror(error_) + ")", E_FAIL);
  if (owned_ && std::rename(temp_.c_str(), output_.c_str()) != 0)
    throw HostError(output_.string() + ": cannot move the output in place (" + std::strerror(errno) + ")", E_FAIL);
  settled_ = true;
}

void ByteOutput::Discard() {
  Close();
  std::lock_guard lock(mutex_);
  if (!settled_ && owned_) ::unlink(temp_.c_str());
  settled_ = true;
}

}  // namespace kestrel::host
