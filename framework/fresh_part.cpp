#include "framework/fresh_part.h"

HRESULT NewPartUnderFreshName(IXpsDocumentConsumer* consumer, const std::function<HRESULT(std::u16string*)>& nextName,
                              REFIID iid, void** part, ComPtr<IPrintWriteStream>* stream) {
  constexpr HRESULT kPartNameInUse = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  HRESULT hr = kPartNameInUse;
  for (int attempt = 0; attempt < kNameAttempts && hr == kPartNameInUse; ++attempt) {
    std::u16string name;
    hr = nextName(&name);
    if (FAILED(hr)) return hr;
    hr = consumer->GetNewEmptyPart(name.c_str(), iid, part, stream->Put());
  }
  return hr;
}
