// Where a part's bytes are in the archive: one ZIP item, or the pieces of an
// interleaved part in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::package {

struct StoredItem {
  std::uint64_t index = 0;  // in the ZIP directory
  std::uint64_t size = 0;   // uncompressed, as the directory states
};

struct StoredPart {
  std::string name;  // "/" + the item name (without the piece suffix)
  std::vector<StoredItem> items;
  std::uint64_t size = 0;
};

}  // namespace kestrel::package
