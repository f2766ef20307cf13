#include "framework/part_resource_cache.h"

ComPtr<IUnknown> PartResourceCache::Find(std::u16string_view key) const {
  const auto found = parts_.find(key);
  return found == parts_.end() ? ComPtr<IUnknown>() : found->second;
}

void PartResourceCache::Add(std::u16string_view key, ComPtr<IUnknown> part) {
  parts_.insert_or_assign(std::u16string(key), std::move(part));
}
