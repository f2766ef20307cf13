// What the printer-control library reads of the driver's private DEVMODE
// block (the dmDriverExtra bytes after the public part): its signature and
// its flags. The block's layout is the driver's own
// (driver/devmode/devmode_private.h), which this library may not include;
// tests/duplex/ checks that both agree.
#pragma once

#include <cstddef>

#include "platform/types.h"

inline constexpr DWORD kDevModeBlockSignature = 0x4C54534B;
inline constexpr std::size_t kDevModeBlockFlagsOffset = 56;
// Two-sided by hand: the fronts print, the backs are reported as files.
inline constexpr DWORD kDevModeBlockManualDuplex = 0x10;

// The private block's flags; 0 for a DEVMODE without a block of this driver
// or one too short to hold them.
DWORD DevModeBlockFlags(const void* devmode, DWORD size);
