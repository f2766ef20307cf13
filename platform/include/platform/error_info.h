// A failure described in words, handed with an HRESULT across a component
// boundary (for instance as RequestShutdown's error information).
#pragma once

#include <string_view>

#include "platform/bstr.h"
#include "platform/unknown.h"

struct IErrorInfo : IUnknown {
  static constexpr IID iid = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
  // A copy of the description; the caller frees it with SysFreeString.
  virtual HRESULT GetDescription(BSTR* description) = 0;

 protected:
  ~IErrorInfo() = default;
};

inline constexpr const IID& IID_IErrorInfo = IErrorInfo::iid;

// A new error information object holding the text; NULL when out of memory.
ComPtr<IErrorInfo> CreateErrorInfo(std::u16string_view description);
// The description an object carries when it answers IErrorInfo, else empty.
std::u16string DescriptionOf(IUnknown* errorInfo);
