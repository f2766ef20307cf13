#include "platform/part_content.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "content_store.h"
#include "platform/com.h"
#include "platform/com_object.h"

namespace {

// A read position over a store, shared by the reader and the IStream view.
class ReadCursor {
 public:
  ReadCursor(std::shared_ptr<ContentStore> store, std::uint64_t position)
      : store_(std::move(store)), position_(position) {}

  HRESULT Read(void* buffer, ULONG cb, ULONG* read, bool* at_end) {
    std::size_t copied = 0;
    const HRESULT hr = store_->ReadAt(position_, static_cast<BYTE*>(buffer), cb, &copied, at_end);
    position_ += copied;
    *read = static_cast<ULONG>(copied);  // copied <= cb
    return hr;
  }

  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) {
    std::int64_t base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: break;
      case STREAM_SEEK_CUR:
        if (position_ > std::numeric_limits<std::int64_t>::max()) return STG_E_INVALIDFUNCTION;
        base = static_cast<std::int64_t>(position_);
        break;
      case STREAM_SEEK_END: {
        std::uint64_t size = 0;
        if (const HRESULT hr = store_->FinalSize(&size); FAILED(hr)) return hr;
        if (size > std::numeric_limits<std::int64_t>::max()) return STG_E_INVALIDFUNCTION;
        base = static_cast<std::int64_t>(size);
        break;
      }
      default: return STG_E_INVALIDFUNCTION;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, move, &target) || target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::uint64_t>(target);
    if (position) *position = position_;
    return S_OK;
  }

  const std::shared_ptr<ContentStore>& store() const { return store_; }
  std::uint64_t position() const { return position_; }

 private:
  std::shared_ptr<ContentStore> store_;
  std::uint64_t position_;
};

class PartWriter final : public ComObject<IPrintWriteStream> {
 public:
  explicit PartWriter(std::shared_ptr<ContentStore> store) : store_(std::move(store)) {}
  // A writer that is dropped ends the content, so readers never wait for it.
  ~PartWriter() override { store_->Complete(); }

  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override {
    if (written) *written = 0;
    if (!buffer && cb) return E_POINTER;
    const ULONGLONG before = store_->Size();
    const HRESULT hr = store_->Append(static_cast<const BYTE*>(buffer), cb);
    if (written) *written = static_cast<ULONG>(store_->Size() - before);  // only this writer appends
    return hr;
  }

  void Close() override { store_->Complete(); }

 private:
  std::shared_ptr<ContentStore> store_;
};

class PartReader final : public ComObject<IPrintReadStream> {
 public:
  explicit PartReader(std::shared_ptr<ContentStore> store) : cursor_(std::move(store), 0) {}

  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override {
    return cursor_.Seek(move, origin, position);
  }

  HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* end_of_file) override {
    if (!read || (!buffer && cb)) return E_POINTER;
    bool at_end = false;
    const HRESULT hr = cursor_.Read(buffer, cb, read, &at_end);
    if (end_of_file) *end_of_file = at_end ? TRUE : FALSE;
    return hr;
  }

 private:
  ReadCursor cursor_;
};

// Read-only IStream over a part's bytes, for code that reads through IStream.
class PartStreamView final : public ComObject<IStream> {
 public:
  PartStreamView(std::shared_ptr<ContentStore> store, std::uint64_t position) : cursor_(std::move(store), position) {
    CoFileTimeNow(&opened_);
  }

  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    ULONG n = 0;
    bool at_end = false;
    const HRESULT hr = cursor_.Read(pv, cb, &n, &at_end);
    if (read) *read = n;
    return hr;
  }
  HRESULT Write(const void*, ULONG, ULONG* written) override {
    if (written) *written = 0;
    return STG_E_ACCESSDENIED;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* new_position) override {
    ULONGLONG position = 0;
    const HRESULT hr = cursor_.Seek(move.QuadPart, origin, &position);
    if (SUCCEEDED(hr) && new_position) new_position->QuadPart = position;
    return hr;
  }
  HRESULT SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = cursor_.store()->Size();
    stat->mtime = stat->ctime = stat->atime = opened_;
    return S_OK;
  }
  HRESULT Clone(IStream** clone) override {
    if (!clone) return STG_E_INVALIDPOINTER;
    *clone = MakeComObject<PartStreamView, IStream>(cursor_.store(), cursor_.position()).Detach();
    return *clone ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ReadCursor cursor_;
  FILETIME opened_{};
};

HRESULT PartStreamView::CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) {
  if (!target) return STG_E_INVALIDPOINTER;
  constexpr ULONG kPiece = 65536;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kPiece]);
  if (!buffer) return E_OUTOFMEMORY;
  std::uint64_t copied_in = 0, copied_out = 0;
  HRESULT hr = S_OK;
  while (copied_in < cb.QuadPart) {
    const auto want = static_cast<ULONG>(std::min<std::uint64_t>(kPiece, cb.QuadPart - copied_in));
    ULONG n = 0;
    bool at_end = false;
    hr = cursor_.Read(buffer.get(), want, &n, &at_end);
    copied_in += n;
    if (FAILED(hr) || n == 0) break;
    ULONG out = 0;
    hr = target->Write(buffer.get(), n, &out);
    copied_out += out;
    if (FAILED(hr) || out < n || at_end) break;
  }
  if (read) read->QuadPart = copied_in;
  if (written) written->QuadPart = copied_out;
  return hr;
}

class PartContentImpl final : public PartContent {
 public:
  explicit PartContentImpl(std::shared_ptr<ContentStore> store, bool writer_allowed)
      : store_(std::move(store)), writer_handed_out_(!writer_allowed) {}
  // Nobody can write any more: readers must not wait for a writer that never comes.
  ~PartContentImpl() override {
    if (!writer_handed_out_) store_->Complete();
  }

  HRESULT OpenWriter(IPrintWriteStream** writer) override {
    if (!writer) return E_POINTER;
    *writer = nullptr;
    std::lock_guard lock(mutex_);
    if (writer_handed_out_ || store_->IsComplete()) return E_ACCESSDENIED;
    *writer = MakeComObject<PartWriter, IPrintWriteStream>(store_).Detach();
    if (!*writer) return E_OUTOFMEMORY;
    writer_handed_out_ = true;
    return S_OK;
  }
  HRESULT OpenReader(IPrintReadStream** reader) override {
    if (!reader) return E_POINTER;
    *reader = MakeComObject<PartReader, IPrintReadStream>(store_).Detach();
    return *reader ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT OpenStream(IStream** stream) override {
    if (!stream) return E_POINTER;
    *stream = MakeComObject<PartStreamView, IStream>(store_, std::uint64_t{0}).Detach();
    return *stream ? S_OK : E_OUTOFMEMORY;
  }
  ULONGLONG Size() const override { return store_->Size(); }
  bool IsComplete() const override { return store_->IsComplete(); }
  void Abort(HRESULT reason) override { store_->Abort(reason); }

 private:
  std::shared_ptr<ContentStore> store_;
  std::mutex mutex_;
  bool writer_handed_out_;
};

}  // namespace

std::shared_ptr<PartContent> CreatePartContent() {
  try {
    return std::make_shared<PartContentImpl>(std::make_shared<ContentStore>(), true);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::shared_ptr<PartContent> CreateCompletePartContent(std::vector<BYTE> bytes) {
  try {
    return std::make_shared<PartContentImpl>(std::make_shared<ContentStore>(std::move(bytes)), false);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HRESULT CreateReadStreamOnBytes(std::vector<BYTE> bytes, IPrintReadStream** reader) {
  if (!reader) return E_POINTER;
  *reader = nullptr;
  const std::shared_ptr<PartContent> content = CreateCompletePartContent(std::move(bytes));
  return content ? content->OpenReader(reader) : E_OUTOFMEMORY;
}
