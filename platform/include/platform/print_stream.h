// The pipeline's part streams: a reader with an explicit end-of-file flag and
// a writer that is closed once. A part's stream may be read while the filter
// before is still writing it.
#pragma once

#include "platform/unknown.h"

struct IPrintReadStream : IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E03-5A4F-4B8E-9C10-4B6573747231}");
  // origin is a STREAM_SEEK value.
  virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) = 0;
  // Reads up to cb bytes; *endOfFile becomes TRUE once the writer has closed and
  // every byte has been read. Blocks while the writer is open and no byte is ready.
  virtual HRESULT ReadBytes(void* buffer, ULONG cb, ULONG* read, BOOL* endOfFile) = 0;

 protected:
  ~IPrintReadStream() = default;
};

struct IPrintWriteStream : IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E04-5A4F-4B8E-9C10-4B6573747231}");
  virtual HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) = 0;
  virtual void Close() = 0;

 protected:
  ~IPrintWriteStream() = default;
};

inline constexpr const IID& IID_IPrintReadStream = IPrintReadStream::iid;
inline constexpr const IID& IID_IPrintWriteStream = IPrintWriteStream::iid;
