// The failure of a provider operation: its HRESULT and the message the caller receives.
#pragma once

#include <string>

#include "platform/hresult.h"

struct TicketError {
  HRESULT hr;
  std::string message;
};
