#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com.h"

namespace {

// Heap blocks carry their requested size in front, kept at max alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::size_t& SizeOf(void* block) {
  return *reinterpret_cast<std::size_t*>(static_cast<BYTE*>(block) - kHeader);
}

char g_process_heap;  // the heap handle only needs to be unique and non-NULL

}  // namespace

void* CoTaskMemAlloc(SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }

void* CoTaskMemRealloc(void* block, SIZE_T bytes) { return std::realloc(block, bytes ? bytes : 1); }

void CoTaskMemFree(void* block) { std::free(block); }

HANDLE GetProcessHeap() { return &g_process_heap; }

void* HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  if (!heap || bytes > std::numeric_limits<SIZE_T>::max() - kHeader) return nullptr;
  void* raw = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, kHeader + bytes) : std::malloc(kHeader + bytes);
  if (!raw) return nullptr;
  void* block = static_cast<BYTE*>(raw) + kHeader;
  SizeOf(block) = bytes;
  return block;
}

void* HeapReAlloc(HANDLE heap, DWORD flags, void* block, SIZE_T bytes) {
  if (!heap || !block || bytes > std::numeric_limits<SIZE_T>::max() - kHeader) return nullptr;
  const std::size_t old_size = SizeOf(block);
  void* raw = std::realloc(static_cast<BYTE*>(block) - kHeader, kHeader + bytes);
  if (!raw) return nullptr;
  void* grown = static_cast<BYTE*>(raw) + kHeader;
  if ((flags & HEAP_ZERO_MEMORY) && bytes > old_size)
    std::memset(static_cast<BYTE*>(grown) + old_size, 0, bytes - old_size);
  SizeOf(grown) = bytes;
  return grown;
}

BOOL HeapFree(HANDLE heap, DWORD, void* block) {
  if (!heap) return FALSE;
  if (block) std::free(static_cast<BYTE*>(block) - kHeader);
  return TRUE;
}

SIZE_T HeapSize(HANDLE heap, DWORD, const void* block) {
  if (!heap || !block) return static_cast<SIZE_T>(-1);
  return SizeOf(const_cast<void*>(block));
}

LONG InterlockedIncrement(volatile LONG* value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(value)).fetch_add(1) + 1;
}

LONG InterlockedDecrement(volatile LONG* value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(value)).fetch_sub(1) - 1;
}

LONG InterlockedExchange(volatile LONG* value, LONG replacement) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(value)).exchange(replacement);
}
