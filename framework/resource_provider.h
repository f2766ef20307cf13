// What supplies one resource part (a font, an image) to the job: the bytes of
// the part, the key under which the job keeps it, and the name a new part gets.
#pragma once

#include "platform/bstr.h"
#include "platform/print_stream.h"
#include "platform/unknown.h"

class ResourceProvider {
 public:
  virtual ~ResourceProvider() = default;
  // Writes the part's bytes into stream (the caller closes it) and sets the
  // part's content type and options.
  virtual HRESULT WritePartContent(IUnknown* part, IPrintWriteStream* stream) = 0;
  virtual HRESULT GetCacheKey(Bstr* key) = 0;
  virtual HRESULT GetPartUri(Bstr* uri) = 0;
};
