#include "host/package/part_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "host/package/package_error.h"

namespace kestrel::package {
namespace {

std::string SystemError() { return std::strerror(errno); }

}  // namespace

PartSpool::PartSpool(std::filesystem::path folder, std::size_t memory_bound, std::string part)
    : folder_(std::move(folder)), memory_bound_(memory_bound), part_(std::move(part)) {}

PartSpool::~PartSpool() {
  if (file_ >= 0) close(file_);
}

PartSpool::PartSpool(PartSpool&& other) noexcept
    : folder_(std::move(other.folder_)),
      memory_bound_(other.memory_bound_),
      part_(std::move(other.part_)),
      memory_(std::move(other.memory_)),
      file_(std::exchange(other.file_, -1)),
      size_(std::exchange(other.size_, 0)) {}

void PartSpool::Append(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  if (file_ < 0 && memory_.size() + size <= memory_bound_) {
    memory_.insert(memory_.end(), bytes, bytes + size);
  } else {
    Spill();
    while (size > 0) {
      const ssize_t written = write(file_, bytes, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw PackageError(part_, "cannot spool the part: " + SystemError());
      bytes += written;
      size -= static_cast<std::size_t>(written);
      size_ += static_cast<std::uint64_t>(written);
    }
    return;
  }
  size_ += size;
}

void PartSpool::Spill() {
  if (file_ < 0) {
    std::string pattern = (folder_ / ".kestrel-spool-XXXXXX").string();
    file_ = mkstemp(pattern.data());
    if (file_ < 0) throw PackageError(part_, "cannot create a spool file in " + folder_.string() + ": " + SystemError());
    unlink(pattern.c_str());
  }
  if (memory_.empty()) return;
  std::vector<char> held = std::move(memory_);
  memory_.clear();
  size_ -= held.size();
  Append(held.data(), held.size());
}

void PartSpool::Drain(const std::function<void(const void*, std::size_t)>& sink) {
  if (!memory_.empty()) sink(memory_.data(), memory_.size());
  std::vector<char>().swap(memory_);
  if (file_ >= 0) {
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
      const ssize_t got = pread(file_, buffer.data(), buffer.size(), offset);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw PackageError(part_, "cannot read the spooled part: " + SystemError());
      if (got == 0) break;
      sink(buffer.data(), static_cast<std::size_t>(got));
      offset += got;
    }
    close(file_);
    file_ = -1;
  }
  size_ = 0;
}

}  // namespace kestrel::package
