#include "resource_reference.h"

#include <vector>

namespace {

constexpr std::u16string_view kContextColor = u"ContextColor ";
constexpr std::u16string_view kConvertedBitmap = u"{ColorConvertedBitmap ";

bool IsRelativeReference(std::u16string_view reference) {
  if (reference.empty() || reference.front() == u'/' || reference.front() == u'{' || reference.front() == u'#')
    return false;
  // A scheme ("http:", "file:") comes before any slash.
  const std::size_t colon = reference.find(u':');
  return colon == std::u16string_view::npos || reference.find(u'/') < colon;
}

std::u16string Absolute(std::u16string_view base, std::u16string_view reference) {
  return IsRelativeReference(reference) ? ResolvePartReference(base, reference) : std::u16string(reference);
}

// Each blank-separated token of text resolved, the blanks kept.
std::u16string AbsoluteTokens(std::u16string_view base, std::u16string_view text) {
  std::u16string result;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t blank = text.find(u' ', at);
    const std::size_t end = blank == std::u16string_view::npos ? text.size() : blank;
    result += Absolute(base, text.substr(at, end - at));
    if (end < text.size()) result += u' ';
    at = end + 1;
  }
  return result;
}

}  // namespace

bool MayReferToResource(std::u16string_view name) {
  return name == u"FontUri" || name == u"ImageSource" || name == u"Source" || name == u"Fill" || name == u"Stroke" ||
         name == u"Color" || name == u"Background";
}

std::u16string AbsoluteReferences(std::u16string_view pageName, std::u16string_view attributeName,
                                  std::u16string_view value) {
  if (value.starts_with(kContextColor)) {
    const std::u16string_view rest = value.substr(kContextColor.size());
    const std::size_t blank = rest.find(u' ');
    const std::u16string_view profile = rest.substr(0, blank);
    std::u16string result(kContextColor);
    result += Absolute(pageName, profile);
    if (blank != std::u16string_view::npos) result += rest.substr(blank);
    return result;
  }
  if (value.starts_with(kConvertedBitmap) && value.ends_with(u'}')) {
    const std::u16string_view inner = value.substr(kConvertedBitmap.size(), value.size() - kConvertedBitmap.size() - 1);
    return std::u16string(kConvertedBitmap) + AbsoluteTokens(pageName, inner) + u'}';
  }
  const bool plainReference =
      attributeName == u"FontUri" || attributeName == u"ImageSource" || attributeName == u"Source";
  return plainReference ? Absolute(pageName, value) : std::u16string(value);
}

std::u16string ResolvePartReference(std::u16string_view base, std::u16string_view reference) {
  std::vector<std::u16string_view> segments;
  const auto add = [&](std::u16string_view path) {
    std::size_t at = 0;
    while (at <= path.size()) {
      const std::size_t slash = path.find(u'/', at);
      const std::size_t end = slash == std::u16string_view::npos ? path.size() : slash;
      const std::u16string_view segment = path.substr(at, end - at);
      if (segment == u"..") {
        if (!segments.empty()) segments.pop_back();
      } else if (!segment.empty() && segment != u".") {
        segments.push_back(segment);
      }
      at = end + 1;
    }
  };
  const std::size_t lastSlash = base.rfind(u'/');
  add(lastSlash == std::u16string_view::npos ? std::u16string_view() : base.substr(0, lastSlash));
  add(reference);
  std::u16string result;
  for (const std::u16string_view segment : segments) {
    result += u'/';
    result += segment;
  }
  return result.empty() ? u"/" : result;
}
