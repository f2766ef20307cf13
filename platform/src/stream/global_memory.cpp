#include <cstdlib>
#include <cstring>

#include "global_block.h"
#include "platform/stream.h"

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  auto* block = new (std::nothrow) GlobalBlock;
  if (!block) return nullptr;
  if (!block->Resize(bytes)) {
    delete block;
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(block->data, 0, bytes);
  return block;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  delete static_cast<GlobalBlock*>(handle);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) { return handle ? static_cast<GlobalBlock*>(handle)->size : 0; }

void* GlobalLock(HGLOBAL handle) { return handle ? static_cast<GlobalBlock*>(handle)->data : nullptr; }

BOOL GlobalUnlock(HGLOBAL) { return TRUE; }

bool GlobalBlock::Resize(std::size_t new_size) {
  if (new_size > capacity) {
    std::size_t grown = capacity ? capacity : 256;
    while (grown < new_size) {
      if (grown > SIZE_MAX / 2) return false;
      grown *= 2;
    }
    void* moved = std::realloc(data, grown);
    if (!moved) return false;
    data = static_cast<BYTE*>(moved);
    capacity = grown;
  }
  size = new_size;
  return true;
}

GlobalBlock::~GlobalBlock() { std::free(data); }
