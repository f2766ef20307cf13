// The shared state behind a part's writer and readers: the bytes in chunks
// that never move once written, and whether the writer is done.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/hresult.h"

class ContentStore {
 public:
  ContentStore() = default;
  // A complete store holding these bytes.
  explicit ContentStore(std::vector<BYTE> bytes);

  // E_UNEXPECTED once complete (the abort reason after an abort).
  HRESULT Append(const BYTE* bytes, std::size_t count);
  void Complete();
  void Abort(HRESULT reason);

  // Copies up to count bytes from position into out; waits while the store
  // is incomplete and holds nothing at position. *at_end: complete and
  // nothing left after what was copied.
  HRESULT ReadAt(std::uint64_t position, BYTE* out, std::size_t count, std::size_t* copied, bool* at_end);
  // The final size; waits for completion.
  HRESULT FinalSize(std::uint64_t* size);

  std::uint64_t Size() const;
  bool IsComplete() const;

 private:
  void CopyOut(std::uint64_t position, BYTE* out, std::size_t count) const;
  std::size_t NextChunkCapacity() const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  // Chunks grow with the content (4 KiB up to 1 MiB) so that small parts stay
  // small and large ones need no copying; starts_[i] is chunk i's offset.
  std::vector<std::vector<BYTE>> chunks_;
  std::vector<std::uint64_t> starts_;
  std::uint64_t size_ = 0;
  bool complete_ = false;
  HRESULT failure_ = S_OK;
};
