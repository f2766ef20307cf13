// Which trace providers the environment enables, and how.
#pragma once

#include <optional>

#include "platform/event_trace.h"

struct ProviderSettings {
  UCHAR level;
  ULONG flags;
};

// The settings KESTREL_TRACE gives the provider, or nullopt when it is not
// listed. Malformed entries are reported on stderr and skipped.
std::optional<ProviderSettings> EnabledProviderSettings(const GUID& provider);
