// A page turned by half a turn on its way to the encoder: its rows arrive top
// to bottom, and it must leave bottom row first, each row right to left. The
// rows wait in an unnamed file of the temporary folder (TMPDIR, else /tmp),
// so memory stays a fixed piece however large the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class HalfTurnSpool {
 public:
  HalfTurnSpool() = default;
  ~HalfTurnSpool();
  HalfTurnSpool(const HalfTurnSpool&) = delete;
  HalfTurnSpool& operator=(const HalfTurnSpool&) = delete;

  // A fresh page of rows of `rowBytes`, pixels of `pixelBytes`; false when
  // the file cannot be made.
  bool Begin(std::size_t rowBytes, std::size_t pixelBytes);
  // count rows, stride bytes apart; false when they cannot be written.
  bool Add(const std::uint8_t* rows, std::uint32_t count, std::size_t stride);
  // Hands the page on turned, some rows a call (rows rowBytes apart), and
  // ends it; false when a read or `send` fails.
  bool Drain(const std::function<bool(const std::uint8_t* rows, std::uint32_t count)>& send);

 private:
  void Close();

  int file_ = -1;
  std::size_t row_bytes_ = 0;
  std::size_t pixel_bytes_ = 0;
  std::uint64_t rows_ = 0;
};
