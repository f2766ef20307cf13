#include "name_cache.h"

#include <climits>
#include <string_view>

#include "platform/utf.h"

void NameCache::Clear() {
  for (Slot& slot : slots_) slot.prefixKey = slot.localKey = nullptr;
}

bool NameCache::Fill(Slot& slot, const char* prefix, const char* local) {
  slot.prefixKey = slot.localKey = nullptr;
  const std::string_view prefix8 = prefix ? prefix : "";
  const std::string_view local8 = local ? local : "";
  std::u16string& text = slot.name.qName;
  text.resize(prefix8.size() + 1 + local8.size());
  std::size_t units = 0;
  if (!prefix8.empty()) {
    const std::optional<std::size_t> prefixUnits = Utf8ToUtf16(prefix8, text.data());
    if (!prefixUnits) return false;
    units = *prefixUnits;
    text[units++] = u':';
  }
  const std::optional<std::size_t> localUnits = Utf8ToUtf16(local8, text.data() + units);
  if (!localUnits || units + *localUnits > static_cast<std::size_t>(INT_MAX)) return false;
  slot.name.localOffset = units;
  text.resize(units + *localUnits);
  slot.prefixKey = prefix;
  slot.localKey = local;
  return true;
}
