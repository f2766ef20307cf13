// A part write stream that keeps what it is given and the size of every call,
// and can be told to fail a call or to take fewer bytes than offered. The
// test consumer backs every new part with one; a test may also hand one
// straight to the code under test.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "platform/print_stream.h"

class RecordingWriteStream final : public ComObject<IPrintWriteStream> {
 public:
  // What is taken also goes on to forwardTo, when given, and so does Close.
  explicit RecordingWriteStream(ComPtr<IPrintWriteStream> forwardTo = nullptr) : forward_(std::move(forwardTo)) {}

  std::string bytes;
  std::vector<ULONG> calls;  // bytes offered per WriteBytes call
  bool closed = false;

  // The call with this index (0-based) fails with hr and takes nothing.
  void FailCall(std::size_t index, HRESULT hr) {
    fail_at_ = index;
    failure_ = hr;
  }
  // Every call takes at most this many bytes.
  void TakeAtMost(ULONG limit) { limit_ = limit; }

  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override {
    const std::size_t index = calls.size();
    calls.push_back(cb);
    if (written) *written = 0;
    if (index == fail_at_) return failure_;
    const ULONG taken = std::min(cb, limit_);
    bytes.append(static_cast<const char*>(buffer), taken);
    if (forward_) {
      ULONG forwarded = 0;
      const HRESULT hr = forward_->WriteBytes(buffer, taken, &forwarded);
      if (FAILED(hr)) return hr;
    }
    if (written) *written = taken;
    return S_OK;
  }
  void Close() override {
    closed = true;
    if (forward_) forward_->Close();
  }

 private:
  ComPtr<IPrintWriteStream> forward_;
  std::size_t fail_at_ = std::numeric_limits<std::size_t>::max();
  HRESULT failure_ = S_OK;
  ULONG limit_ = std::numeric_limits<ULONG>::max();
};
