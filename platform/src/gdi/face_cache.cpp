#include "face_cache.h"

#include <list>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>

namespace {

constexpr std::size_t kMaxFaces = 8;
constexpr std::size_t kMaxFaceBytes = 128u << 20;
constexpr std::size_t kMaxMatches = 64;

struct CachedFace {
  std::string path;
  int index;
  std::shared_ptr<const FontFace> face;
};

struct CachedMatch {
  std::tuple<std::u16string, LONG, bool, BYTE> request;
  std::vector<FontFileLocation> found;
};

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

// Most recently used first. Never destroyed: a face's end needs FreeType,
// whose statics may already be gone when the process exits.
std::list<CachedFace>& Faces() {
  static auto* faces = new std::list<CachedFace>;
  return *faces;
}

std::list<CachedMatch>& Matches() {
  static std::list<CachedMatch> matches;
  return matches;
}

void TrimFaces(std::list<CachedFace>& faces) {
  std::size_t bytes = 0, count = 0;
  for (auto it = faces.begin(); it != faces.end();) {
    bytes += it->face->File().size();
    // The newest face always stays, however large.
    if (++count > 1 && (count > kMaxFaces || bytes > kMaxFaceBytes))
      it = faces.erase(it);
    else
      ++it;
  }
}

}  // namespace

std::shared_ptr<const FontFace> OpenCachedFontFace(const FontFileLocation& location) {
  {
    const std::lock_guard lock(CacheMutex());
    auto& faces = Faces();
    for (auto it = faces.begin(); it != faces.end(); ++it)
      if (it->path == location.path && it->index == location.index) {
        faces.splice(faces.begin(), faces, it);
        return it->face;
      }
  }
  // Opened outside the lock: reading a large file must not hold up other filters.
  std::shared_ptr<const FontFace> face = FontFace::Open(location.path, location.index);
  if (!face) return nullptr;
  const std::lock_guard lock(CacheMutex());
  Faces().push_front({location.path, location.index, face});
  TrimFaces(Faces());
  return face;
}

std::vector<FontFileLocation> CachedMatchFontFaces(std::u16string_view family, LONG weight, bool italic,
                                                   BYTE charSet) {
  auto request = std::make_tuple(std::u16string(family), weight, italic, charSet);
  {
    const std::lock_guard lock(CacheMutex());
    auto& matches = Matches();
    for (auto it = matches.begin(); it != matches.end(); ++it)
      if (it->request == request) {
        matches.splice(matches.begin(), matches, it);
        return it->found;
      }
  }
  std::vector<FontFileLocation> found = MatchFontFaces(family, weight, italic, charSet);
  const std::lock_guard lock(CacheMutex());
  Matches().push_front({std::move(request), found});
  if (Matches().size() > kMaxMatches) Matches().pop_back();
  return found;
}
