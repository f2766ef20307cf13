#include "framework/markup_handler_base.h"

#include <string>

#include "framework/markup_text.h"
#include "framework/markup_write.h"
#include "ticket/hresult_error.h"

MarkupHandlerBase::~MarkupHandlerBase() { Flush(); }

namespace {

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

HRESULT MarkupHandlerBase::Write(std::u16string_view text) noexcept {
  if (FAILED(failure_)) return failure_;
  const HRESULT hr = CallReturningHresult([&] {
    if (output_.Length() > kFlushThreshold) ThrowIfFailed(FlushKeepingPairWhole());
    output_.Append(text);
    return S_OK;
  });
  if (FAILED(hr)) failure_ = hr;
  return hr;
}

HRESULT MarkupHandlerBase::FlushKeepingPairWhole() {
  // A surrogate pair split between two writes waits for its second half.
  const WCHAR last = output_.view().back();
  if (!IsHighSurrogate(last)) return Flush();
  output_.Erase(static_cast<std::ptrdiff_t>(output_.Length() - 1), 1);
  const HRESULT hr = Flush();
  if (SUCCEEDED(hr)) output_.Append(std::u16string_view(&last, 1));
  return hr;
}

HRESULT MarkupHandlerBase::Flush() noexcept {
  if (FAILED(failure_)) {
    output_.Clear();
    return failure_;
  }
  if (output_.Length() == 0) return S_OK;
  const HRESULT hr = CallReturningHresult([this] { return WritePending(); });
  output_.Clear();
  if (FAILED(hr)) failure_ = hr;
  return hr;
}

HRESULT MarkupHandlerBase::WritePending() {
  const std::string bytes = ToUtf8(output_);
  if (write_stream_) return WriteWhole(write_stream_.Get(), bytes);
  if (stream_target_) return WriteWhole(stream_target_.Get(), bytes);
  return E_POINTER;
}
