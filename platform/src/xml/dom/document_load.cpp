// load and loadXML: the whole source must form one document.
#include <algorithm>
#include <string>

#include "document.h"
#include "parser.h"
#include "platform/stream.h"
#include "text.h"

namespace xmldom {

namespace {

// Reads to the end, refusing more than a document may hold.
HRESULT ReadAll(ISequentialStream* stream, std::string* bytes) {
  constexpr ULONG kChunk = 64 * 1024;
  for (;;) {
    const std::size_t size = bytes->size();
    if (size > kMaxDocumentBytes) return E_FAIL;
    bytes->resize(size + kChunk);
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes->data() + size, kChunk, &read);
    bytes->resize(size + std::min(read, kChunk));
    if (FAILED(hr)) return hr;
    if (read == 0) return S_OK;
  }
}

}  // namespace

HRESULT Document::LoadBytes(std::string_view bytes, const char* forcedEncoding, VARIANT_BOOL* success) {
  xmlDoc* parsed = ParseDocument(bytes, forcedEncoding);
  const HRESULT hr = Adopt(parsed);
  if (FAILED(hr)) return hr;
  *success = parsed ? VARIANT_TRUE : VARIANT_FALSE;
  return parsed ? S_OK : S_FALSE;
}

HRESULT Document::load(VARIANT source, VARIANT_BOOL* success) {
  if (!success) return E_POINTER;
  *success = VARIANT_FALSE;
  return Guard([&] {
    if (source.vt != VT_UNKNOWN || !source.punkVal) return E_INVALIDARG;
    ComPtr<ISequentialStream> stream;
    if (FAILED(source.punkVal->QueryInterface(IID_ISequentialStream, stream.PutVoid()))) return E_INVALIDARG;
    std::string bytes;
    const HRESULT hr = ReadAll(stream.Get(), &bytes);
    if (FAILED(hr)) {
      Adopt(nullptr);
      return hr;
    }
    return LoadBytes(bytes, nullptr, success);
  });
}

HRESULT Document::loadXML(BSTR xml, VARIANT_BOOL* success) {
  if (!success) return E_POINTER;
  *success = VARIANT_FALSE;
  return Guard([&] {
    const std::optional<std::string> utf8 = Utf8FromBstr(xml);
    if (!utf8) return E_INVALIDARG;
    // The text is already decoded: whatever its declaration says, it is UTF-8 now.
    return LoadBytes(*utf8, "UTF-8", success);
  });
}

}  // namespace xmldom
