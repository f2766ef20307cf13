// The IStream a document answers: a memory stream that starts with the
// document's serialised form and tells the document when it is written to,
// so that XML written into it becomes the document's content.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/com_object.h"
#include "platform/stream.h"

namespace xmldom {

class Document;

class DocumentStream final : public ComObject<IStream> {
 public:
  static HRESULT Create(Document& owner, IStream** stream);
  DocumentStream(const DocumentStream&) = delete;
  DocumentStream& operator=(const DocumentStream&) = delete;

  std::string_view Bytes() const;
  bool HasWritesNotTakenIn() const { return writes_ != taken_in_; }
  void MarkTakenIn() { taken_in_ = writes_; }

  HRESULT Read(void* pv, ULONG cb, ULONG* read) override { return inner_->Read(pv, cb, read); }
  HRESULT Write(const void* pv, ULONG cb, ULONG* written) override;
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    return inner_->Seek(move, origin, position);
  }
  HRESULT SetSize(ULARGE_INTEGER size) override;
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    return inner_->CopyTo(target, cb, read, written);
  }
  HRESULT Commit(DWORD flags) override { return inner_->Commit(flags); }
  HRESULT Revert() override { return inner_->Revert(); }
  HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override {
    return inner_->LockRegion(offset, cb, type);
  }
  HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override {
    return inner_->UnlockRegion(offset, cb, type);
  }
  HRESULT Stat(STATSTG* stat, DWORD flag) override { return inner_->Stat(stat, flag); }
  HRESULT Clone(IStream** clone) override { return inner_->Clone(clone); }

 private:
  DocumentStream(Document& owner, HGLOBAL block, ComPtr<IStream> inner);
  ~DocumentStream() override;
  void Written();

  ComPtr<Document> owner_;
  HGLOBAL block_;  // freed by inner_
  ComPtr<IStream> inner_;
  std::uint64_t writes_ = 0;
  std::uint64_t taken_in_ = 0;
};

}  // namespace xmldom
