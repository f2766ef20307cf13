// The error type of the host: a message for the user, and the HRESULT behind
// it when there is one. Host code throws it; the COM methods the host
// implements catch everything and return HRESULTs.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/hresult.h"

namespace kestrel::host {

class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& message, HRESULT hr = E_FAIL) : std::runtime_error(message), hr_(hr) {}
  HRESULT Hr() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace kestrel::host
