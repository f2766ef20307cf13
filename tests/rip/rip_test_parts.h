// Parts for the rip filter's tests: pages and resource dictionaries with
// markup of their own, read in pieces as small as the test asks, and the
// recording converter's log, the driver package the end-to-end tests run.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/print_stream.h"
#include "platform/utf.h"
#include "platform/xps_parts.h"

namespace rip_test {

// Hands out at most `piece` bytes a call, as a stream still arriving may.
class TrickleStream final : public ComObject<IPrintReadStream> {
 public:
  TrickleStream(std::string bytes, ULONG piece) : bytes_(std::move(bytes)), piece_(piece) {}
  HRESULT Seek(LONGLONG, DWORD, ULONGLONG*) override { return E_NOTIMPL; }
  HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* endOfFile) override {
    const std::size_t n = std::min<std::size_t>({cb, piece_, bytes_.size() - offset_});
    std::copy_n(bytes_.data() + offset_, n, static_cast<char*>(buffer));
    offset_ += n;
    *read = static_cast<ULONG>(n);
    *endOfFile = offset_ == bytes_.size();
    return S_OK;
  }

 private:
  std::string bytes_;
  ULONG piece_;
  std::size_t offset_ = 0;
};

template <typename I>
class MarkupPart : public ComObject<I> {
 public:
  MarkupPart(std::string uri, std::string markup, ULONG piece = 1 << 16)
      : uri_(std::move(uri)), markup_(std::move(markup)), piece_(piece) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(Utf8ToUtf16(uri_).value().c_str());
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override {
    *stream = MakeComObject<TrickleStream, IPrintReadStream>(markup_, piece_).Detach();
    return S_OK;
  }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

 private:
  std::string uri_;
  std::string markup_;
  ULONG piece_;
};

using Dictionary = MarkupPart<IPartResourceDictionary>;

class Page final : public MarkupPart<IFixedPage> {
 public:
  using MarkupPart::MarkupPart;
  void AddResource(const std::string& uri, ComPtr<IUnknown> part) { resources_[uri] = std::move(part); }
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    *ticket = nullptr;
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
  HRESULT GetPagePart(LPCWSTR uri, IUnknown** part) override {
    const auto found = resources_.find(Utf16ToUtf8(uri).value());
    if (found == resources_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *part = ComPtr<IUnknown>(found->second).Detach();
    return S_OK;
  }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }

 private:
  std::map<std::string, ComPtr<IUnknown>> resources_;
};

// The names of a folder's entries, sorted.
inline std::vector<std::string> FileNamesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The bundled driver package at `driver`, linked entry by entry, with the
// converter folder "3" of `converters` in place of its own.
inline void LayOutDriverPackage(const std::filesystem::path& driver, const std::filesystem::path& converters) {
  namespace fs = std::filesystem;
  fs::create_directory(driver);
  for (const fs::directory_entry& entry : fs::directory_iterator(KESTREL_DRIVER_DIR))
    if (entry.path().filename() != "3") fs::create_symlink(entry.path(), driver / entry.path().filename());
  fs::create_directory_symlink(converters / "3", driver / "3");
}

inline std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline constexpr char kXpsNamespace[] = "http://schemas.microsoft.com/xps/2005/06";

}  // namespace rip_test
