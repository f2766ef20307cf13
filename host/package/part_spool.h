// The bytes of a part that cannot go to the ZIP stream yet: kept in memory
// up to a bound, then in an anonymous temporary file (created in the
// output's folder and unlinked at once, so nothing is left behind).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::package {

class PartSpool {
 public:
  PartSpool(std::filesystem::path folder, std::size_t memory_bound, std::string part);
  ~PartSpool();
  PartSpool(PartSpool&& other) noexcept;
  PartSpool& operator=(PartSpool&&) = delete;
  PartSpool(const PartSpool&) = delete;

  void Append(const void* data, std::size_t size);
  // Moves what is in memory to the file.
  void Spill();
  std::uint64_t Size() const { return size_; }
  std::size_t MemoryUsed() const { return memory_.size(); }
  // Hands the bytes, in order, to sink in chunks; the spool is left empty.
  void Drain(const std::function<void(const void*, std::size_t)>& sink);

 private:
  std::filesystem::path folder_;
  std::size_t memory_bound_;
  std::string part_;
  std::vector<char> memory_;
  int file_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace kestrel::package
