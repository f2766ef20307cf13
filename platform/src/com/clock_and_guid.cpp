#include <sys/random.h>

#include <cerrno>
#include <chrono>

#include "platform/com.h"

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_POINTER;
  BYTE bytes[16];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return E_FAIL;
    }
    got += static_cast<std::size_t>(n);
  }
  bytes[6] = static_cast<BYTE>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  guid->Data1 = (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
  guid->Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid->Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = bytes[8 + i];
  return S_OK;
}

HRESULT CoFileTimeNow(FILETIME* now) {
  if (!now) return E_POINTER;
  // 100 ns intervals between 1601-01-01 and the Unix epoch.
  constexpr std::uint64_t kEpochOffset = 116444736000000000ull;
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const std::uint64_t ticks =
      kEpochOffset + static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() / 100);
  now->dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  now->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return S_OK;
}

DWORD GetTickCount() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<DWORD>(static_cast<std::uint64_t>(ms.count()) & 0xFFFFFFFFu);
}
