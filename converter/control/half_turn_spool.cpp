#include "converter/control/half_turn_spool.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "converter/control/temporary_folder.h"

namespace {

// Rows read back at a time.
constexpr std::size_t kChunkBytes = 1 << 20;

bool WriteAll(int file, const std::uint8_t* bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(file, bytes, length);
    if (written <= 0) return false;
    bytes += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ReadAll(int file, std::uint8_t* bytes, std::size_t length, std::uint64_t at) {
  while (length > 0) {
    const ssize_t got = pread(file, bytes, length, static_cast<off_t>(at));
    if (got <= 0) return false;
    bytes += got;
    length -= static_cast<std::size_t>(got);
    at += static_cast<std::uint64_t>(got);
  }
  return true;
}

}  // namespace

HalfTurnSpool::~HalfTurnSpool() { Close(); }

void HalfTurnSpool::Close() {
  if (file_ >= 0) close(file_);
  file_ = -1;
  rows_ = 0;
}

bool HalfTurnSpool::Begin(std::size_t rowBytes, std::size_t pixelBytes) {
  Close();
  if (rowBytes == 0 || pixelBytes == 0 || rowBytes % pixelBytes != 0) return false;
  std::string name = TemporaryFolder() + "/kestrel-turn-XXXXXX";
  file_ = mkstemp(name.data());
  if (file_ < 0) return false;
  unlink(name.c_str());  // gone with the descriptor, whatever stops the job
  row_bytes_ = rowBytes;
  pixel_bytes_ = pixelBytes;
  return true;
}

bool HalfTurnSpool::Add(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  if (file_ < 0 || stride < row_bytes_) return false;
  for (std::uint32_t row = 0; row < count; ++row)
    if (!WriteAll(file_, rows + row * stride, row_bytes_)) return false;
  rows_ += count;
  return true;
}

bool HalfTurnSpool::Drain(const std::function<bool(const std::uint8_t* rows, std::uint32_t count)>& send) {
  if (file_ < 0) return false;
  const std::uint64_t chunkRows = std::max<std::size_t>(1, kChunkBytes / row_bytes_);
  std::vector<std::uint8_t> chunk(chunkRows * row_bytes_);
  bool ok = true;
  for (std::uint64_t end = rows_; end > 0 && ok;) {
    const std::uint64_t start = end > chunkRows ? end - chunkRows : 0;
    const std::size_t bytes = static_cast<std::size_t>(end - start) * row_bytes_;
    ok = ReadAll(file_, chunk.data(), bytes, start * row_bytes_);
    // The rows' pixels in reverse order are the rows turned, last row first.
    for (std::size_t a = 0, b = bytes - pixel_bytes_; ok && a < b; a += pixel_bytes_, b -= pixel_bytes_)
      std::swap_ranges(chunk.data() + a, chunk.data() + a + pixel_bytes_, chunk.data() + b);
    ok = ok && send(chunk.data(), static_cast<std::uint32_t>(end - start));
    end = start;
  }
  Close();
  return ok;
}
