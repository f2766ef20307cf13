// The state the recording converter pair shares: PRNCTRL makes it, XPSCONV
// receives it as its converter context. Every call is logged as one line, and
// every line is also sent back through the write callback as a printer-data
// record, so the job's output must equal the log byte for byte. Records leave
// in awkward pieces (headers, payloads and UTF-16 names cut anywhere, several
// records in one call) to exercise the filter's reassembly.
//
// Steered by the environment:
//   KESTREL_RECORDER_LOG     the log file (required)
//   KESTREL_RECORDER_FILES   a folder: each page creates page<N>.spl there and
//                            reports it in a file-name record
//   KESTREL_RECORDER_REJECT  "<page>:<element>": XPSStartElem refuses it
//   KESTREL_RECORDER_CANCEL  "<page>:<element>": at that start tag the converter
//                            sends the process SIGINT and waits until the
//                            spooler shows the job as deleting
//   KESTREL_RECORDER_RESOURCES a folder: the converter fetches every font,
//                            image and colour profile the markup names through
//                            the resource callbacks, writes what it receives
//                            there (<n>.bin) and lists each call in
//                            resources.txt (see xpsconv.cpp); the call log
//                            stays as it is
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "converter/converter_interface.h"

namespace recording {

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Backslash escapes keep one call on one line.
inline std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

struct Trigger {
  int page = 0;
  std::string element;
  static Trigger Parse(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return {};
    return {std::atoi(text.substr(0, colon).c_str()), text.substr(colon + 1)};
  }
  bool Matches(int current, std::string_view name) const { return page == current && element == name; }
};

class RecordingJob {
 public:
  RecordingJob(ConverterWriteCallback write, void* context)
      : write_(write),
        context_(context),
        log_(std::fopen(Env("KESTREL_RECORDER_LOG").c_str(), "wb")),
        files_(Env("KESTREL_RECORDER_FILES")),
        reject_(Trigger::Parse(Env("KESTREL_RECORDER_REJECT"))),
        cancel_(Trigger::Parse(Env("KESTREL_RECORDER_CANCEL"))),
        resources_(Env("KESTREL_RECORDER_RESOURCES")) {}
  ~RecordingJob() {
    if (log_) std::fclose(log_);
  }
  RecordingJob(const RecordingJob&) = delete;
  RecordingJob& operator=(const RecordingJob&) = delete;

  // Logs the line and sends it as printer data.
  void Call(const std::string& line) {
    const std::string text = line + "\n";
    if (log_) {
      std::fwrite(text.data(), 1, text.size(), log_);
      std::fflush(log_);
    }
    Emit(kOutputPrinterData, text);
  }
  void Emit(BYTE kind, std::string_view payload) {
    const DWORD length = static_cast<DWORD>(payload.size());
    const char header[8] = {static_cast<char>(kind), 'r', 'e', 'c', static_cast<char>(length & 0xFF),
                            static_cast<char>((length >> 8) & 0xFF), static_cast<char>((length >> 16) & 0xFF),
                            static_cast<char>(length >> 24)};
    pending_.append(header, 8);
    pending_.append(payload);
    while (pending_.size() >= kPiece * 2) Deliver(kPiece);
  }
  // Sends whatever waits.
  void Flush() { Deliver(pending_.size()); }

  int page() const { return page_; }
  void NextPage() { ++page_; }
  const std::string& files() const { return files_; }
  const Trigger& reject() const { return reject_; }
  const Trigger& cancel() const { return cancel_; }
  const std::string& resources() const { return resources_; }
  std::u16string printer;
  DWORD job = 0;
  // What XpsSetConvResAPI registered for the page being converted.
  IFixedPage* resourcePage = nullptr;
  GetXPSFontDataFunction fontCallback = nullptr;
  GetXPSICCDataFunction profileCallback = nullptr;
  GetXPSImageDataFunction imageCallback = nullptr;
  int fetched = 0;

 private:
  // An odd size, so that pieces end inside headers and inside UTF-16 units.
  static constexpr std::size_t kPiece = 37;

  void Deliver(std::size_t bytes) {
    if (bytes == 0) return;
    write_(pending_.data(), static_cast<DWORD>(bytes), context_);
    pending_.erase(0, bytes);
  }

  ConverterWriteCallback write_;
  void* context_;
  std::FILE* log_;
  std::string files_;
  Trigger reject_;
  Trigger cancel_;
  std::string resources_;
  std::string pending_;
  int page_ = 0;
};

}  // namespace recording
