#include "converter/control/devmode_flags.h"

#include <cstring>

#include "platform/print_ticket_provider.h"

DWORD DevModeBlockFlags(const void* devmode, DWORD size) {
  if (!devmode || size < sizeof(DEVMODEW)) return 0;
  DEVMODEW mode;
  std::memcpy(&mode, devmode, sizeof mode);
  // The block starts where the public part ends, as dmSize says.
  const std::size_t start = mode.dmSize;
  const std::size_t extra = mode.dmDriverExtra;
  if (start < sizeof(DEVMODEW) || start + extra > size || extra < kDevModeBlockFlagsOffset + sizeof(DWORD)) return 0;
  const auto* block = static_cast<const BYTE*>(devmode) + start;
  DWORD signature = 0;
  DWORD flags = 0;
  std::memcpy(&signature, block, sizeof signature);
  std::memcpy(&flags, block + kDevModeBlockFlagsOffset, sizeof flags);
  return signature == kDevModeBlockSignature ? flags : 0;
}
