// The rip filter's element stream on hostile page markup: the bridge feeds a
// page, and the remote resource dictionaries its ResourceDictionary elements
// name, to the recording markup converter as it would to the real one.
// Input: the most bytes a read of a part gives (a byte, plus one), then
// pieces separated by NUL bytes: the page, then pairs of a dictionary part's
// name and its markup.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <string_view>

#include "filters/rip/page_markup_bridge.h"
#include "fuzz_input.h"
#include "platform/spooler.h"
#include "platform/utf.h"
#include "tests/rip/recording_converter/recording_job.h"
#include "tests/rip/rip_test_parts.h"

namespace {

HRESULT IgnoreOutput(const void*, DWORD, void*) { return S_OK; }

bool Setup() {
  SetPrinterDriverDirectory(Utf8ToUtf16(KESTREL_RECORDING_CONVERTER_DIR).value());
  // Held for the process: the bridge unloads the converter after each page,
  // and libFuzzer still reads the coverage counters of an instrumented library.
  if (!dlopen(KESTREL_RECORDING_CONVERTER_DIR "/3/libxpsconv.so", RTLD_NOW | RTLD_LOCAL)) __builtin_trap();
  unsetenv("KESTREL_RECORDER_LOG");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = Setup();
  (void)ready;
  kestrel::fuzz::FuzzInput input(data, size);
  const ULONG piece = ULONG{input.Byte()} + 1;
  const auto page = MakeComObject<rip_test::Page>("/Documents/1/Pages/1.fpage", std::string(input.Until('\0')), piece);
  while (!input.Empty()) {
    const std::string name(input.Until('\0'));
    const std::string markup(input.Until('\0'));
    if (!Utf8ToUtf16(name)) continue;
    page->AddResource(name, MakeComObject<rip_test::Dictionary, IUnknown>(name, markup, piece));
  }
  recording::RecordingJob job(&IgnoreOutput, nullptr);
  const PageDeviceSettings device{215900, 279400, 600, 600, 2, 4, 4, 8};
  const auto bridge = ComPtr<PageMarkupBridge>::Attach(new PageMarkupBridge(page.Get(), device, &job, u"", 0));
  if (!bridge->Loaded()) __builtin_trap();
  ComPtr<IPrintReadStream> stream;
  page->GetStream(stream.Put());
  bridge->Parse(stream.Get());
  return 0;
}
