// The printer-control library's reading of the driver's DEVMODE block: the
// flags of a block of this driver, 0 for anything else, never a read past
// what DevModeSet was given.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "converter/control/devmode_flags.h"
#include "driver/devmode/devmode_private.h"
#include "platform/print_ticket_provider.h"

namespace {

struct Case {
  const char* what;
  WORD dmSize = sizeof(DEVMODEW);
  WORD dmDriverExtra = sizeof(KestrelDevModePrivate);
  DWORD signature = kDevModePrivateSignature;
  std::size_t given = sizeof(DEVMODEW) + sizeof(KestrelDevModePrivate);  // bytes handed over
  DWORD expected = kDevModeFlagManualDuplex;
};

TEST(DevModeBlockFlags, AreReadOnlyFromAWholeBlockOfThisDriver) {
  const Case cases[] = {
      {"a block of this driver"},
      {"no block", sizeof(DEVMODEW), 0, kDevModePrivateSignature, sizeof(DEVMODEW), 0},
      {"a block too short for its flags", sizeof(DEVMODEW), 40, kDevModePrivateSignature, sizeof(DEVMODEW) + 40, 0},
      {"a block longer than what was given", sizeof(DEVMODEW), 60, kDevModePrivateSignature, sizeof(DEVMODEW) + 59, 0},
      {"another driver's block", sizeof(DEVMODEW), 60, 0x12345678, sizeof(DEVMODEW) + 60, 0},
      {"a public part said to be shorter than it is", 8, 60, kDevModePrivateSignature, sizeof(DEVMODEW) + 60, 0},
      {"a public part said to reach past the bytes", 0xFFFF, 60, kDevModePrivateSignature, sizeof(DEVMODEW) + 60, 0},
      {"less than the public part", sizeof(DEVMODEW), 60, kDevModePrivateSignature, sizeof(DEVMODEW) - 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Exactly the bytes given, so that ASan sees a read past them.
    std::vector<BYTE> bytes(c.given);
    DEVMODEW mode{};
    mode.dmSize = c.dmSize;
    mode.dmDriverExtra = c.dmDriverExtra;
    KestrelDevModePrivate block{};
    block.signature = c.signature;
    block.flags = kDevModeFlagManualDuplex;
    std::vector<BYTE> whole(sizeof mode + sizeof block);
    std::memcpy(whole.data(), &mode, sizeof mode);
    std::memcpy(whole.data() + sizeof mode, &block, sizeof block);
    std::memcpy(bytes.data(), whole.data(), std::min(bytes.size(), whole.size()));
    EXPECT_EQ(DevModeBlockFlags(bytes.data(), static_cast<DWORD>(bytes.size())), c.expected);
  }
  EXPECT_EQ(DevModeBlockFlags(nullptr, 200), 0u);
}

}  // namespace
