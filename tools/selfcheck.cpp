// A short check that the platform layer works on this machine.
#include <cstdio>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/stream.h"

namespace {

bool Check(bool ok, const char* what) {
  std::printf("%-40s %s\n", what, ok ? "ok" : "FAILED");
  return ok;
}

}  // namespace

int main() {
  bool ok = true;
  ok &= Check(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), "apartment");
  Bstr name(u"Kestrel");
  ok &= Check(name.Length() == 7, "UTF-16 strings");
  ComPtr<IStream> stream;
  ULONG written = 0;
  ok &= Check(SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) &&
                  SUCCEEDED(stream->Write("x", 1, &written)) && written == 1,
              "memory streams");
  GUID id{};
  ok &= Check(SUCCEEDED(CoCreateGuid(&id)), "identifiers");
  CoUninitialize();
  std::printf("%s\n", ok ? "self-check passed" : "self-check FAILED");
  return ok ? 0 : 1;
}
