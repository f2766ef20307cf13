// Resource parts already created for the job (fonts by face name, images by
// bitmap path), so that a resource is made once and shared by every page.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/unknown.h"

class PartResourceCache {
 public:
  // The part stored under the key, or an empty pointer.
  ComPtr<IUnknown> Find(std::u16string_view key) const;
  // Stores the part under the key, replacing an earlier one.
  void Add(std::u16string_view key, ComPtr<IUnknown> part);
  // Releases every part held.
  void Clear() { parts_.clear(); }

 private:
  std::map<std::u16string, ComPtr<IUnknown>, std::less<>> parts_;
};
