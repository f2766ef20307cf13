#include "filters/rip/part_reference.h"

#include <algorithm>
#include <vector>

std::u16string PartNameOf(IPartBase* part) {
  BSTR uri = nullptr;
  if (!part || FAILED(part->GetUri(&uri)) || !uri) return {};
  std::u16string text(uri, SysStringLen(uri));
  SysFreeString(uri);
  return text;
}

std::u16string ResolvePartName(const std::u16string& base, std::u16string source) {
  std::replace(source.begin(), source.end(), u'\\', u'/');
  std::u16string path = source;
  if (source.empty() || source.front() != u'/') path = base.substr(0, base.rfind(u'/') + 1) + source;
  std::vector<std::u16string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(u'/', start), path.size());
    const std::u16string segment = path.substr(start, end - start);
    if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != u".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::u16string resolved;
  for (const std::u16string& segment : segments) resolved += u"/" + segment;
  return resolved;
}
