// The recording markup converter: logs every call with its arguments. Refuses
// a chosen element, or cancels the job at one, or fetches the page's resources
// (see recording_job.h).
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/spooler.h"
#include "platform/system_info.h"
#include "platform/utf.h"
#include "tests/rip/recording_converter/recording_job.h"

using recording::Escape;
using recording::RecordingJob;

namespace {

RecordingJob& Job(void* converter) { return *static_cast<RecordingJob*>(converter); }

std::string Pointer(const void* p) { return p ? "set" : "null"; }

// Until the spooler shows the job as deleting (at most 10 s).
void WaitForDeleting(const RecordingJob& job) {
  HANDLE printer = nullptr;
  if (!OpenPrinterW(job.printer.c_str(), &printer, nullptr)) return;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    DWORD needed = 0;
    GetJobW(printer, job.job, 1, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed && GetJobW(printer, job.job, 1, buffer.data(), needed, &needed) &&
        (reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status & JOB_STATUS_DELETING))
      break;
    Sleep(10);
  }
  ClosePrinter(printer);
}

// The converter's own memory; the callbacks' NULL releases are counted.
int nullReleases = 0;
void* Allocate(DWORD size) { return std::malloc(size ? size : 1); }
void Release(void* block) {
  if (!block) ++nullReleases;
  std::free(block);
}

// One line of resources.txt per callback: kind, page, result, bytes received,
// NULL releases, the file holding the bytes ("-" for none), the URI asked for.
void Fetch(RecordingJob& job, const std::string& kind, const std::string& uri) {
  BYTE* buffer = nullptr;
  DWORD size = 0;
  INT result = 0;
  nullReleases = 0;
  if (kind == "image") {
    if (!job.imageCallback) return;
    result = job.imageCallback(&Allocate, &Release, job.resourcePage, uri.c_str(), nullptr, nullptr, &buffer);
    if (buffer) {
      ImageBlockHeader header;
      std::memcpy(&header, buffer, sizeof header);
      size = static_cast<DWORD>(kImageBlockHeaderSize + std::size_t{header.bytesPerPixel} *
                                                            ImageBlockLe16(header.width) *
                                                            ImageBlockLe16(header.height) +
                                ImageBlockBe32(header.profileSize));
    }
  } else {
    const GetXPSFontDataFunction callback = kind == "font" ? job.fontCallback : job.profileCallback;
    if (!callback) return;
    result = callback(&Allocate, &Release, job.resourcePage, uri.c_str(), nullptr, nullptr, &buffer, &size);
  }
  std::string file = "-";
  if (buffer) {
    file = std::to_string(++job.fetched) + ".bin";
    std::ofstream(job.resources() + "/" + file, std::ios::binary).write(reinterpret_cast<const char*>(buffer), size);
    Release(buffer);
  }
  std::ofstream(job.resources() + "/resources.txt", std::ios::app)
      << kind << ' ' << job.page() << ' ' << result << ' ' << size << ' ' << nullReleases << ' ' << file << ' '
      << uri << '\n';
}

// The resources an attribute names: a font, an image (with a profile of its
// own in a ColorConvertedBitmap extension) or the profile of a context colour.
void FetchNamedResources(RecordingJob& job, std::string_view name, const std::string& value) {
  std::istringstream words(value);
  std::string first, second, third;
  words >> first >> second >> third;
  if (name == "FontUri") {
    Fetch(job, "font", value);
  } else if (name == "ImageSource" && first == "{ColorConvertedBitmap") {
    Fetch(job, "image", second);
    if (!third.empty() && third.back() == '}') third.pop_back();
    Fetch(job, "profile", third);
  } else if (name == "ImageSource") {
    Fetch(job, "image", value);
  } else if (first == "ContextColor") {
    Fetch(job, "profile", second);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) INT XpsSetConvResAPI(void* converter, IFixedPage* page,
                                                                      GetXPSFontDataFunction font,
                                                                      GetXPSICCDataFunction profile,
                                                                      GetXPSImageDataFunction image,
                                                                      void* reserved1, void* reserved2) {
  RecordingJob& job = Job(converter);
  job.resourcePage = page;
  job.fontCallback = font;
  job.profileCallback = profile;
  job.imageCallback = image;
  job.Call("XpsSetConvResAPI page=" + Pointer(page) + " font=" + Pointer(reinterpret_cast<void*>(font)) +
                      " profile=" + Pointer(reinterpret_cast<void*>(profile)) +
                      " image=" + Pointer(reinterpret_cast<void*>(image)) + " reserved=" + Pointer(reserved1) +
                      "," + Pointer(reserved2));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XpsSetPageDevice(void* converter, BYTE one, INT v1, INT v2,
                                                                      INT v3, INT v4, INT v5, INT v6, INT v7, INT v8,
                                                                      INT v9, INT v10, INT v11, INT v12, INT v13,
                                                                      INT v14, INT v15, INT v16, INT v17, INT v18) {
  std::string line = "XpsSetPageDevice " + std::to_string(one);
  for (const INT value : {v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15, v16, v17, v18})
    line += " " + std::to_string(value);
  Job(converter).Call(line);
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSStartElem(const char* name, void* converter) {
  RecordingJob& job = Job(converter);
  job.Call("StartElem " + Escape(name));
  if (job.cancel().Matches(job.page(), name)) {
    ::kill(::getpid(), SIGINT);
    WaitForDeleting(job);
  }
  return job.reject().Matches(job.page(), name) ? 0 : 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSReadAtt(const char* name, const void* value,
                                                                void* converter) {
  RecordingJob& job = Job(converter);
  std::string text;
  if (std::string_view(name) == "UnicodeString")
    text = Utf16ToUtf8(static_cast<const WCHAR*>(value)).value_or("<invalid UTF-16>");
  else
    text = static_cast<const char*>(value);
  job.Call("ReadAtt " + Escape(name) + "=" + Escape(text));
  if (!job.resources().empty()) FetchNamedResources(job, name, text);
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSEndElem(const char* name, void* converter) {
  Job(converter).Call("EndElem " + Escape(name));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSEndCurElem(void* converter) {
  Job(converter).Call("EndCurElem");
  return 1;
}
