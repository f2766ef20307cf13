// The IPartBase half every part object of the job shares: its name, its
// content and its compression. Part objects are reached from several filter
// threads over their life, so their state is locked.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/package/package_model.h"
#include "host/pipeline/content_source.h"
#include "platform/com_object.h"
#include "platform/xps_parts.h"

namespace kestrel::host {

// Copies text into a new BSTR for an out parameter.
HRESULT CopyToBstr(std::u16string_view text, BSTR* out);

// Where a page of the input package stood: its fixed document, its place
// there (from 0), what its PageContent said besides the Source, and the
// page part's relationships (read once, for the output too).
struct PageOrigin {
  std::string document;
  std::uint64_t ordinal = 0;
  std::vector<std::pair<std::string, std::string>> content_attributes;
  std::vector<std::string> link_targets;
  std::vector<package::Relationship> relationships;
};

// What the output asks of the job's own part objects beyond the pipeline's interfaces.
struct IJobPart : IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E11-5A4F-4B8E-9C10-4B6573747231}");
  // True while the part holds the input package's bytes and links as read,
  // so that its relationships can be written as the package had them.
  virtual bool Untouched() = 0;
  // The carried parts that travel with this one (thumbnails, story fragments,
  // document structure, signature definitions).
  virtual std::vector<ComPtr<IUnknown>> Attachments() = 0;
  // For a page of the input package, where it stood; null for any other part.
  virtual std::shared_ptr<const PageOrigin> Origin() = 0;

 protected:
  ~IJobPart() = default;
};

template <typename... Interfaces>
class PartObject : public ComObject<Interfaces..., IJobPart> {
 public:
  HRESULT GetUri(BSTR* uri) override { return CopyToBstr(uri_, uri); }
  HRESULT GetStream(IPrintReadStream** stream) override {
    if (!stream) return E_POINTER;
    *stream = nullptr;
    return Content()->OpenReader(stream);
  }
  HRESULT GetPartCompression(EXpsCompression* compression) override {
    if (!compression) return E_POINTER;
    std::lock_guard lock(mutex_);
    *compression = compression_;
    return S_OK;
  }
  HRESULT SetPartCompression(EXpsCompression compression) override {
    if (compression > Compression_Fast) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    compression_ = compression;
    return S_OK;
  }
  bool Untouched() override {
    std::lock_guard lock(mutex_);
    return from_package_ && !changed_;
  }
  std::vector<ComPtr<IUnknown>> Attachments() override {
    std::lock_guard lock(mutex_);
    return attachments_;
  }
  std::shared_ptr<const PageOrigin> Origin() override { return nullptr; }

 protected:
  // from_package: the content is the input package's part of that name.
  PartObject(std::u16string uri, std::shared_ptr<ContentSource> content, bool from_package = false)
      : uri_(std::move(uri)), content_(std::move(content)), from_package_(from_package) {}

  const std::u16string& Uri() const { return uri_; }
  std::shared_ptr<ContentSource> Content() {
    std::lock_guard lock(mutex_);
    return content_;
  }
  void ReplaceContent(std::shared_ptr<ContentSource> content) {
    std::lock_guard lock(mutex_);
    content_ = std::move(content);
    changed_ = true;
  }
  // Called with mutex_ held by whatever changes the part's links.
  void MarkChanged() { changed_ = true; }
  void Attach(ComPtr<IUnknown> part) {
    std::lock_guard lock(mutex_);
    attachments_.push_back(std::move(part));
  }

  std::mutex mutex_;

 private:
  const std::u16string uri_;
  std::shared_ptr<ContentSource> content_;
  EXpsCompression compression_ = Compression_Normal;
  const bool from_package_;
  bool changed_ = false;
  std::vector<ComPtr<IUnknown>> attachments_;
};

// Makes a part object and hands out its IUnknown (part objects have two
// interface bases, so the conversion goes through QueryInterface).
template <typename T, typename... Args>
ComPtr<IUnknown> MakePart(Args&&... args) {
  ComPtr<T> made = MakeComObject<T>(std::forward<Args>(args)...);
  ComPtr<IUnknown> unknown;
  if (made) made->QueryInterface(IID_IUnknown, unknown.PutVoid());
  return unknown;
}

}  // namespace kestrel::host
