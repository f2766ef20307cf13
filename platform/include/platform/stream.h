// Byte streams in the shape the XML layer and the filters use them.
#pragma once

#include "platform/unknown.h"

struct ISequentialStream : IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E01-5A4F-4B8E-9C10-4B6573747231}");
  // Reads up to cb bytes; *read is how many arrived (0 at the end, with S_OK or S_FALSE).
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* read) = 0;
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* written) = 0;

 protected:
  ~ISequentialStream() = default;
};

enum STREAM_SEEK : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

enum STATFLAG : DWORD { STATFLAG_DEFAULT = 0, STATFLAG_NONAME = 1 };

inline constexpr DWORD STGTY_STREAM = 2;
inline constexpr DWORD STGM_SHARE_DENY_WRITE = 0x20;
inline constexpr DWORD LOCK_WRITE = 1;

struct STATSTG {
  LPWSTR pwcsName;  // CoTaskMemAlloc'd, freed by the caller; NULL with STATFLAG_NONAME
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

struct IStream : ISequentialStream {
  using Base = ISequentialStream;
  static constexpr IID iid = MakeGuid("{6B3C1E02-5A4F-4B8E-9C10-4B6573747231}");
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                         ULARGE_INTEGER* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* statstg, DWORD flag) = 0;
  virtual HRESULT Clone(IStream** clone) = 0;

 protected:
  ~IStream() = default;
};

inline constexpr const IID& IID_ISequentialStream = ISequentialStream::iid;
inline constexpr const IID& IID_IStream = IStream::iid;

// A block of movable memory; here simply an owned, resizable byte block.
using HGLOBAL = void*;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);  // NULL on success
SIZE_T GlobalSize(HGLOBAL block);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);

// A growable memory stream. With global == NULL it starts empty on new memory;
// otherwise it reads and writes that block (its current size is the stream size).
// deleteOnRelease frees the block with the stream.
HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, IStream** stream);
