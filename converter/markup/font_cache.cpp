#include "converter/markup/font_cache.h"

namespace xpsconv {

FontCache::~FontCache() {
  for (auto& [key, entry] : entries_) cairo_font_face_destroy(entry.font.face);
}

CachedFont FontCache::Find(const std::string& key, const std::function<CachedFont()>& load) {
  if (const auto found = entries_.find(key); found != entries_.end()) {
    found->second.lastUse = ++uses_;
    return found->second.font;
  }
  const CachedFont font = load();
  if (!font.face) return font;
  entries_[key] = Entry{font, ++uses_};
  bytes_ += font.bytes;
  Trim(key);
  return font;
}

void FontCache::Trim(const std::string& keep) {
  while (entries_.size() > kMaxFonts || bytes_ > kMaxBytes) {
    auto oldest = entries_.end();
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry)
      if (entry->first != keep && (oldest == entries_.end() || entry->second.lastUse < oldest->second.lastUse))
        oldest = entry;
    if (oldest == entries_.end()) return;
    bytes_ -= oldest->second.font.bytes;
    cairo_font_face_destroy(oldest->second.font.face);
    entries_.erase(oldest);
  }
}

}  // namespace xpsconv
