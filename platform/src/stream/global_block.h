// What an HGLOBAL points at: a byte block that grows by doubling.
#pragma once

#include <cstddef>

#include "platform/types.h"

struct GlobalBlock {
  BYTE* data = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;

  GlobalBlock() = default;
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  ~GlobalBlock();

  // Sets the size, keeping the bytes; false when memory runs out.
  bool Resize(std::size_t new_size);
};
