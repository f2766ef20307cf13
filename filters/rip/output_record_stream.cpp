#include "filters/rip/output_record_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/checked_int.h"
#include "platform/files.h"
#include "platform/write_in_pieces.h"

namespace {

// The longest name the list takes, in bytes with its NUL.
constexpr std::size_t kMaxNameBytes = MAX_PATH * sizeof(WCHAR);

}  // namespace

HRESULT OutputRecordStream::Take(const BYTE* data, std::size_t length) {
  if (!data && length) return E_POINTER;
  std::lock_guard lock(mutex_);
  while (length > 0 && SUCCEEDED(status_)) {
    std::size_t used = 0;
    if (remaining_ == 0 && header_bytes_ < sizeof header_) {
      used = TakeHeader(data, length);
    } else {
      used = std::min<std::size_t>(remaining_, length);
      TakePayload(data, used);
      remaining_ -= IntCast<DWORD>(used);
      if (remaining_ == 0) FinishRecord();
    }
    data += used;
    length -= used;
  }
  return status_;
}

std::size_t OutputRecordStream::TakeHeader(const BYTE* data, std::size_t length) {
  // A whole header is read in place; a cut one is gathered first.
  const BYTE* header = data;
  const std::size_t used = std::min(sizeof header_ - header_bytes_, length);
  if (header_bytes_ > 0 || used < sizeof header_) {
    std::memcpy(header_ + header_bytes_, data, used);
    header_bytes_ += used;
    if (header_bytes_ < sizeof header_) return used;
    header = header_;
  }
  header_bytes_ = sizeof header_;
  kind_ = header[0];
  remaining_ = static_cast<DWORD>(header[4]) | static_cast<DWORD>(header[5]) << 8 |
               static_cast<DWORD>(header[6]) << 16 | static_cast<DWORD>(header[7]) << 24;
  if (kind_ == kOutputFileName) name_.clear();
  if (remaining_ == 0) FinishRecord();
  return used;
}

void OutputRecordStream::TakePayload(const BYTE* data, std::size_t length) {
  switch (kind_) {
    case kOutputPrinterData:
      if (const HRESULT hr = Write(data, length); FAILED(hr))
        Fail(hr, "writing the printer data to the output failed");
      break;
    case kOutputFileName:
      if (name_.size() + length > kMaxNameBytes)
        Fail(E_INVALIDARG, "the converter reported a file name longer than 259 characters");
      else
        name_.insert(name_.end(), data, data + length);
      break;
    default: break;  // skipped
  }
}

void OutputRecordStream::FinishRecord() {
  header_bytes_ = 0;
  if (kind_ != kOutputFileName) return;
  // UTF-16 little-endian up to the first NUL; an odd last byte is no character.
  std::u16string name;
  for (std::size_t i = 0; i + 1 < name_.size(); i += 2) {
    const WCHAR c = static_cast<WCHAR>(name_[i] | name_[i + 1] << 8);
    if (c == u'\0') break;
    name.push_back(c);
  }
  name_.clear();
  if (const HRESULT hr = list_.Add(name); FAILED(hr))
    Fail(hr, name.empty() ? "the converter reported an empty file name" : "the list of the converter's files cannot be written");
}

HRESULT OutputRecordStream::Write(const BYTE* data, std::size_t length) {
  const auto write = [this](const BYTE* piece, ULONG size, ULONG* taken) {
    return output_->WriteBytes(piece, size, taken);
  };
  return WriteInPieces(write, data, length, std::numeric_limits<ULONG>::max(), nullptr);
}

void OutputRecordStream::Stop(HRESULT reason, std::string why) {
  std::lock_guard lock(mutex_);
  Fail(reason, std::move(why));
}

HRESULT OutputRecordStream::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string OutputRecordStream::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool OutputRecordStream::AtRecordBoundary() const {
  std::lock_guard lock(mutex_);
  return header_bytes_ == 0 && remaining_ == 0;
}

void OutputRecordStream::Fail(HRESULT hr, std::string why) {
  if (FAILED(status_)) return;
  status_ = hr;
  failure_ = std::move(why);
}
