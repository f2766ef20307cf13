#include "filters/rip/resource_part.h"

#include <algorithm>
#include <new>
#include <string_view>

#include "filters/rip/part_reference.h"
#include "platform/stream.h"
#include "platform/system_info.h"
#include "platform/utf.h"

namespace {

constexpr DWORD kSilencePause = 10;  // milliseconds
constexpr int kMaxSilentAnswers = 1000;
constexpr std::size_t kFirstChunk = 64 * 1024;

}  // namespace

HRESULT FindPagePart(IFixedPage* page, const char* uri, REFIID riid, IPartBase** part) {
  if (!page || !uri || !part) return E_POINTER;
  *part = nullptr;
  std::string_view reference(uri);
  reference = reference.substr(0, reference.find('#'));
  const std::optional<std::u16string> wide = Utf8ToUtf16(reference);
  if (!wide || wide->empty()) return E_INVALIDARG;
  const std::u16string name = ResolvePartName(PartNameOf(page), *wide);
  ComPtr<IUnknown> found;
  const HRESULT hr = page->GetPagePart(name.c_str(), found.Put());
  if (FAILED(hr)) return hr;
  if (!found) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return found->QueryInterface(riid, reinterpret_cast<void**>(part));
}

HRESULT ReadWholePart(IPartBase* part, std::size_t limit, std::vector<BYTE>* bytes) {
  if (!part || !bytes) return E_POINTER;
  bytes->clear();
  ComPtr<IPrintReadStream> stream;
  HRESULT hr = part->GetStream(stream.Put());
  if (FAILED(hr)) return hr;
  if (!stream) return E_FAIL;
  // The part's size, where the stream tells it (once the part is whole), sizes
  // the buffer at once; reading goes on to the end all the same.
  ULONGLONG end = 0;
  if (FAILED(stream->Seek(0, STREAM_SEEK_END, &end))) end = 0;
  hr = stream->Seek(0, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  try {
    if (end > limit) return kPartTooLarge;
    // One byte more, so that the end is seen without growing the buffer.
    bytes->resize(static_cast<std::size_t>(end) + 1);
    std::size_t used = 0;
    int silent = 0;
    for (;;) {
      if (used == bytes->size()) {
        // Room for one byte past the limit, so that a part of limit + 1 bytes shows.
        const std::size_t room = std::min(std::max(kFirstChunk, used), limit + 1 - used);
        if (room == 0) return kPartTooLarge;
        bytes->resize(used + room);
      }
      const ULONG ask = static_cast<ULONG>(std::min<std::size_t>(bytes->size() - used, 0x7FFFFFFF));
      ULONG read = 0;
      BOOL end = FALSE;
      hr = stream->ReadBytes(bytes->data() + used, ask, &read, &end);
      if (FAILED(hr)) return hr;
      if (read > ask) return E_UNEXPECTED;
      used += read;
      if (used > limit) return kPartTooLarge;
      if (end) break;
      if (read > 0) {
        silent = 0;
        continue;
      }
      if (++silent >= kMaxSilentAnswers) return kPartSilent;
      Sleep(kSilencePause);
    }
    bytes->resize(used);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
