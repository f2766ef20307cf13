// Reads a fuzzer's input as a sequence of typed values, so one input can carry
// choices (chunk sizes, operations, argument kinds) besides the bytes under test.
// Reading past the end gives zeros and empty text: every input is valid.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return position_ >= size_; }
  std::size_t Remaining() const { return size_ - position_; }

  std::uint8_t Byte() { return Empty() ? 0 : data_[position_++]; }

  // Little-endian, as many bytes as the type has.
  template <class Int>
  Int Integer() {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(Int); ++i) value |= std::uint64_t{Byte()} << (8 * i);
    return static_cast<Int>(value);
  }

  // Up to size bytes.
  std::string_view Bytes(std::size_t size) {
    const std::size_t n = std::min(size, Remaining());
    const std::string_view bytes(reinterpret_cast<const char*>(data_ + position_), n);
    position_ += n;
    return bytes;
  }

  // Text up to a separator byte (consumed) or the end: keeps inputs readable and
  // lets the fuzzer grow a piece without breaking the lengths of the others.
  std::string_view Until(char separator) {
    const std::size_t start = position_;
    while (position_ < size_ && data_[position_] != static_cast<std::uint8_t>(separator)) ++position_;
    const std::string_view piece(reinterpret_cast<const char*>(data_) + start, position_ - start);
    if (position_ < size_) ++position_;
    return piece;
  }

  std::string_view Rest() { return Bytes(Remaining()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace kestrel::fuzz
