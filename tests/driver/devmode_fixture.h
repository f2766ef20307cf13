// The reference printer registered with this driver's DEVMODE extension, as the host does.
#pragma once

#include <cstring>

#include "driver/devmode/devmode_private.h"
#include "driver/devmode/kestrel_devmode_extension.h"
#include "platform/ticket_provider_fixture.h"

namespace ticket_test {

class KestrelDevModeTest : public ProviderTest {
 protected:
  KestrelDevModeTest() { devmode_extension_ = KestrelDevModeExtension(); }

  struct Converted : ProviderTest::Converted {
    KestrelDevModePrivate extra{};
  };

  Converted DevMode(const std::string& ticket, EPrintTicketScope scope = kPTJobScope) {
    Converted c{ProviderTest::DevMode(ticket, scope)};
    if (c.driver_extra.size() >= sizeof c.extra) std::memcpy(&c.extra, c.driver_extra.data(), sizeof c.extra);
    return c;
  }
};

}  // namespace ticket_test
