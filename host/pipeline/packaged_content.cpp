#include "host/pipeline/packaged_content.h"

#include <limits>

#include "host/package/package_error.h"
#include "platform/com_object.h"
#include "platform/stream.h"

namespace kestrel::host {
namespace {

// Damaged stored data: what a reader of the part gets.
constexpr HRESULT kDamagedPart = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

class PackagePartStream final : public ComObject<IPrintReadStream> {
 public:
  PackagePartStream(std::unique_ptr<package::PartReader> reader, std::shared_ptr<JobReport> report)
      : reader_(std::move(reader)), report_(std::move(report)) {}

  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override {
    if (position) *position = 0;
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: break;
      case STREAM_SEEK_CUR: base = Signed(reader_->Position()); break;
      case STREAM_SEEK_END: base = Signed(reader_->Size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    if ((move > 0 && base > std::numeric_limits<LONGLONG>::max() - move) || base + move < 0)
      return STG_E_INVALIDFUNCTION;
    const auto target = static_cast<ULONGLONG>(base + move);
    if (target > reader_->Size()) return STG_E_INVALIDFUNCTION;
    return Guard([&] {
      reader_->Seek(target);
      if (position) *position = target;
    });
  }

  HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* endOfFile) override {
    if (read) *read = 0;
    if (endOfFile) *endOfFile = FALSE;
    if (!buffer && cb) return E_POINTER;
    return Guard([&] {
      const std::size_t n = cb ? reader_->Read(buffer, cb) : 0;
      if (read) *read = static_cast<ULONG>(n);  // n <= cb
      if (endOfFile) *endOfFile = reader_->Position() >= reader_->Size() ? TRUE : FALSE;
    });
  }

 private:
  static LONGLONG Signed(ULONGLONG value) {
    return value > static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max()) ? std::numeric_limits<LONGLONG>::max()
                                                                                : static_cast<LONGLONG>(value);
  }

  template <typename Action>
  HRESULT Guard(Action action) {
    try {
      action();
      return S_OK;
    } catch (const package::PackageError& error) {
      report_->Problem(error.what());
      return kDamagedPart;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  std::unique_ptr<package::PartReader> reader_;
  std::shared_ptr<JobReport> report_;
};

}  // namespace

HRESULT PackagedContent::OpenReader(IPrintReadStream** stream) {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  try {
    ComPtr<IPrintReadStream> opened =
        MakeComObject<PackagePartStream, IPrintReadStream>(reader_->OpenPart(name_), report_);
    if (!opened) return E_OUTOFMEMORY;
    *stream = opened.Detach();
    return S_OK;
  } catch (const package::PackageError& error) {
    report_->Problem(error.what());
    return kDamagedPart;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace kestrel::host
