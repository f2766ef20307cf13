#include "converter/control/back_sides.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "converter/control/temporary_folder.h"
#include "converter/utf16_text.h"

BackSides::BackSides(EncoderLibrary& encoder, ConverterWriteCallback write, void* context)
    : library_(encoder), write_(write), context_(context) {}

BackSides::~BackSides() {
  if (encoder_) library_.close(encoder_);
  RemoveFile();
}

bool BackSides::BeginPage(const EncoderPage& page, std::uint32_t number, bool turn) {
  if (failed_ || in_page_) return false;
  // The previous back side is whole once the next one begins.
  if (!path_.empty() && !(CloseFile() && ReportFile())) return Fail();
  if (!OpenFile(number)) {
    std::fprintf(stderr, "prnctrl: cannot make a file for back side %u in %s: %s\n", static_cast<unsigned>(number),
                 TemporaryFolder().c_str(), std::strerror(errno));
    return Fail();
  }
  if (!encoder_) encoder_ = library_.open(&Sink, this);
  if (!encoder_ || !library_.startPage(encoder_, &page)) return Fail();
  turning_ = turn;
  row_bytes_ = std::size_t{page.format.width} * page.format.planes;
  if (turning_ && !spool_.Begin(row_bytes_, page.format.planes)) return Fail();
  in_page_ = true;
  return true;
}

bool BackSides::WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  if (failed_ || !in_page_) return false;
  const bool written =
      turning_ ? spool_.Add(rows, count, stride) : library_.writeRows(encoder_, rows, count, stride) != 0;
  return written || Fail();
}

bool BackSides::EndPage() {
  if (failed_ || !in_page_) return false;
  in_page_ = false;
  if (turning_ && !spool_.Drain([this](const std::uint8_t* rows, std::uint32_t count) {
        return library_.writeRows(encoder_, rows, count, row_bytes_) != 0;
      }))
    return Fail();
  return library_.endPage(encoder_) || Fail();
}

bool BackSides::Finish() {
  DiscardPage();
  if (failed_) return false;
  if (!encoder_) return true;  // no back side in this job
  const bool closed = library_.close(encoder_) != 0;
  encoder_ = nullptr;
  return (closed && CloseFile() && ReportFile()) || Fail();
}

void BackSides::DiscardPage() {
  if (!in_page_) return;
  in_page_ = false;
  // The document would lack a page: the job's back sides cannot be printed.
  Fail();
}

bool BackSides::OpenFile(std::uint32_t number) {
  std::string name = TemporaryFolder() + "/kestrel-back-" + std::to_string(number) + "-XXXXXX";
  const int descriptor = mkstemp(name.data());  // a fresh name, for the owner alone
  if (descriptor < 0) return false;
  path_ = name;
  file_ = fdopen(descriptor, "wb");
  if (!file_) close(descriptor);
  return file_ != nullptr;
}

bool BackSides::CloseFile() {
  if (!file_) return false;
  const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return written && closed;
}

// A kind-1 record: the path in UTF-16 with its NUL, sent whole in one call.
bool BackSides::ReportFile() {
  const std::optional<std::u16string> name = converter::Utf8ToUtf16(path_);
  if (!name) return false;
  const std::size_t payload = (name->size() + 1) * sizeof(char16_t);
  std::vector<BYTE> record(sizeof(OutputRecordHeader) + payload);
  OutputRecordHeader header{};
  header.kind = kOutputFileName;
  header.length = static_cast<DWORD>(payload);  // a path's length
  std::memcpy(record.data(), &header, sizeof header);
  std::memcpy(record.data() + sizeof header, name->c_str(), payload);
  if (FAILED(write_(record.data(), static_cast<DWORD>(record.size()), context_))) return false;
  path_.clear();  // the rip filter's from now on
  return true;
}

void BackSides::RemoveFile() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!path_.empty()) unlink(path_.c_str());
  path_.clear();
}

bool BackSides::Fail() {
  if (encoder_) library_.close(encoder_);
  encoder_ = nullptr;
  RemoveFile();
  failed_ = true;
  return false;
}

INT BackSides::Sink(void* context, const std::uint8_t* bytes, std::size_t length) {
  auto* sides = static_cast<BackSides*>(context);
  return sides->file_ && std::fwrite(bytes, 1, length, sides->file_) == length ? 1 : 0;
}
