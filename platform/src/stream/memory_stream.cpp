#include <algorithm>
#include <cstring>
#include <limits>

#include "global_block.h"
#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/stream.h"

namespace {

// IStream over a GlobalBlock; the position may run past the end (writes fill the gap with zeros).
class MemoryStream final : public ComObject<IStream> {
 public:
  MemoryStream(GlobalBlock* block, bool owns) : block_(block), owns_(owns) { CoFileTimeNow(&created_); }
  ~MemoryStream() override {
    if (owns_) delete block_;
  }

  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    ULONG n = 0;
    if (position_ < block_->size) {
      n = static_cast<ULONG>(std::min<std::uint64_t>(cb, block_->size - position_));
      std::memcpy(pv, block_->data + position_, n);
      position_ += n;
    }
    if (read) *read = n;
    return S_OK;
  }

  HRESULT Write(const void* pv, ULONG cb, ULONG* written) override {
    if (written) *written = 0;
    if (cb == 0) return S_OK;
    if (!pv) return STG_E_INVALIDPOINTER;
    if (position_ > std::numeric_limits<std::size_t>::max() - cb) return STG_E_MEDIUMFULL;
    const std::size_t end = static_cast<std::size_t>(position_) + cb;
    if (end > block_->size) {
      const std::size_t old_size = block_->size;
      if (!block_->Resize(end)) return E_OUTOFMEMORY;
      if (position_ > old_size) std::memset(block_->data + old_size, 0, position_ - old_size);
    }
    std::memcpy(block_->data + position_, pv, cb);
    position_ = end;
    if (written) *written = cb;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* new_position) override {
    std::int64_t base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(position_); break;
      case STREAM_SEEK_END: base = static_cast<std::int64_t>(block_->size); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::uint64_t>(target);
    if (new_position) new_position->QuadPart = position_;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER new_size) override {
    if (new_size.QuadPart > std::numeric_limits<std::size_t>::max()) return STG_E_MEDIUMFULL;
    const std::size_t old_size = block_->size;
    const auto size = static_cast<std::size_t>(new_size.QuadPart);
    if (!block_->Resize(size)) return E_OUTOFMEMORY;
    if (size > old_size) std::memset(block_->data + old_size, 0, size - old_size);
    return S_OK;
  }

  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    if (!target) return STG_E_INVALIDPOINTER;
    std::uint64_t available = position_ < block_->size ? block_->size - position_ : 0;
    const std::uint64_t want = std::min<std::uint64_t>(cb.QuadPart, available);
    std::uint64_t done = 0;
    HRESULT hr = S_OK;
    while (done < want) {
      const ULONG chunk = static_cast<ULONG>(std::min<std::uint64_t>(want - done, 1u << 20));
      ULONG n = 0;
      hr = target->Write(block_->data + position_ + done, chunk, &n);
      done += n;
      if (FAILED(hr) || n < chunk) break;
    }
    position_ += done;
    if (read) read->QuadPart = done;
    if (written) written->QuadPart = done;
    return hr;
  }

  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = block_->size;
    stat->mtime = stat->ctime = stat->atime = created_;
    return S_OK;
  }

  HRESULT Clone(IStream** clone) override {
    if (!clone) return STG_E_INVALIDPOINTER;
    *clone = nullptr;
    return E_NOTIMPL;
  }

 private:
  GlobalBlock* block_;
  bool owns_;
  std::uint64_t position_ = 0;
  FILETIME created_{};
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL delete_on_release, IStream** stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  GlobalBlock* block = static_cast<GlobalBlock*>(global);
  const bool made_here = block == nullptr;
  if (made_here) {
    block = new (std::nothrow) GlobalBlock;
    if (!block) return E_OUTOFMEMORY;
  }
  // A block made here is always freed with the stream: nobody else can reach it.
  ComPtr<IStream> s = MakeComObject<MemoryStream, IStream>(block, made_here || delete_on_release);
  if (!s) {
    if (made_here) delete block;
    return E_OUTOFMEMORY;
  }
  *stream = s.Detach();
  return S_OK;
}
