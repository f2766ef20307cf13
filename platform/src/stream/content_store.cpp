#include "content_store.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr std::size_t kFirstChunk = 4096;
constexpr std::size_t kLargestChunk = std::size_t{1} << 20;
}  // namespace

ContentStore::ContentStore(std::vector<BYTE> bytes) : complete_(true) {
  size_ = bytes.size();
  if (!bytes.empty()) {
    chunks_.push_back(std::move(bytes));
    starts_.push_back(0);
  }
}

std::size_t ContentStore::NextChunkCapacity() const {
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(size_, kFirstChunk, kLargestChunk));
}

HRESULT ContentStore::Append(const BYTE* bytes, std::size_t count) {
  std::lock_guard lock(mutex_);
  if (complete_) return FAILED(failure_) ? failure_ : E_UNEXPECTED;
  try {
    while (count > 0) {
      if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
        std::vector<BYTE> chunk;
        chunk.reserve(NextChunkCapacity());
        starts_.reserve(starts_.size() + 1);
        chunks_.push_back(std::move(chunk));
        starts_.push_back(size_);
      }
      std::vector<BYTE>& last = chunks_.back();
      const std::size_t n = std::min(count, last.capacity() - last.size());
      last.insert(last.end(), bytes, bytes + n);
      bytes += n;
      count -= n;
      size_ += n;
    }
  } catch (const std::bad_alloc&) {
    // What fitted stays written; readers may already have seen it.
    changed_.notify_all();
    return E_OUTOFMEMORY;
  }
  changed_.notify_all();
  return S_OK;
}

void ContentStore::Complete() {
  std::lock_guard lock(mutex_);
  complete_ = true;
  changed_.notify_all();
}

void ContentStore::Abort(HRESULT reason) {
  std::lock_guard lock(mutex_);
  if (complete_) return;
  complete_ = true;
  failure_ = FAILED(reason) ? reason : E_ABORT;
  changed_.notify_all();
}

void ContentStore::CopyOut(std::uint64_t position, BYTE* out, std::size_t count) const {
  auto chunk = static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), position) - starts_.begin()) - 1;
  auto offset = static_cast<std::size_t>(position - starts_[chunk]);
  while (count > 0) {
    const std::vector<BYTE>& bytes = chunks_[chunk];
    const std::size_t n = std::min(count, bytes.size() - offset);
    std::memcpy(out, bytes.data() + offset, n);
    out += n;
    count -= n;
    ++chunk;
    offset = 0;
  }
}

HRESULT ContentStore::ReadAt(std::uint64_t position, BYTE* out, std::size_t count, std::size_t* copied,
                             bool* at_end) {
  std::unique_lock lock(mutex_);
  *copied = 0;
  if (count > 0) changed_.wait(lock, [&] { return complete_ || position < size_; });
  if (FAILED(failure_)) {
    *at_end = false;
    return failure_;
  }
  if (position < size_) {
    *copied = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - position));
    CopyOut(position, out, *copied);
  }
  *at_end = complete_ && position + *copied >= size_;
  return S_OK;
}

HRESULT ContentStore::FinalSize(std::uint64_t* size) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return complete_; });
  if (FAILED(failure_)) return failure_;
  *size = size_;
  return S_OK;
}

std::uint64_t ContentStore::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

bool ContentStore::IsComplete() const {
  std::lock_guard lock(mutex_);
  return complete_;
}
