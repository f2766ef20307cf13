#include "host/package/part_name.h"

#include <vector>

namespace kestrel::package {
namespace {

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUnreserved(char c) { return IsAsciiAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool IsSubDelim(char c) {
  switch (c) {
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=':
      return true;
    default:
      return false;
  }
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The characters of a name's comparison key, one at a time, without building the key.
class KeyCharacters {
 public:
  explicit KeyCharacters(std::string_view name) : name_(name) {}
  bool Next(char& c) {
    if (at_ >= name_.size()) return false;
    if (name_[at_] == '%' && at_ + 2 < name_.size() && HexValue(name_[at_ + 1]) >= 0 && HexValue(name_[at_ + 2]) >= 0) {
      c = AsciiLower(static_cast<char>(HexValue(name_[at_ + 1]) * 16 + HexValue(name_[at_ + 2])));
      at_ += 3;
    } else {
      c = AsciiLower(name_[at_++]);
    }
    return true;
  }

 private:
  std::string_view name_;
  std::size_t at_ = 0;
};

std::optional<std::string> SegmentProblem(std::string_view segment) {
  if (segment.empty()) return "empty segment";
  if (segment.back() == '.') return "segment ends with a dot";
  for (std::size_t i = 0; i < segment.size(); ++i) {
    const char c = segment[i];
    if (c == '%') {
      if (i + 2 >= segment.size()) return "truncated percent-encoding";
      const int high = HexValue(segment[i + 1]);
      const int low = HexValue(segment[i + 2]);
      if (high < 0 || low < 0) return "malformed percent-encoding";
      const char decoded = static_cast<char>(high * 16 + low);
      if (decoded == '/' || decoded == '\\') return "percent-encoded slash";
      if (IsUnreserved(decoded)) return "percent-encoded unreserved character";
      i += 2;
    } else if (static_cast<unsigned char>(c) < 0x80 && !IsUnreserved(c) && !IsSubDelim(c) && c != ':' && c != '@') {
      return std::string("character '") + c + "' not allowed";
    }
  }
  return std::nullopt;
}

// RFC 3986 dot-segment removal on an absolute path; ".." at the root stays at the root.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  std::size_t start = 1;
  bool trailing_slash = false;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    const bool last = end == path.size();
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
      trailing_slash = last;
    } else if (segment == ".") {
      trailing_slash = last;
    } else {
      kept.push_back(segment);
      trailing_slash = false;
    }
    start = end + 1;
  }
  std::string result;
  for (std::string_view segment : kept) {
    result += '/';
    result += segment;
  }
  if (trailing_slash || result.empty()) result += '/';
  return result;
}

}  // namespace

std::optional<std::string> PartNameProblem(std::string_view name) {
  if (name.empty() || name.front() != '/') return "part name must start with '/'";
  if (name.size() == 1 || name.back() == '/') return "part name must not end with '/'";
  std::size_t start = 1;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (auto problem = SegmentProblem(name.substr(start, end - start))) return "part name has " + *problem;
    start = end + 1;
  }
  return std::nullopt;
}

std::string PartNameKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  KeyCharacters characters(name);
  for (char c; characters.Next(c);) key += c;
  return key;
}

bool SamePartName(std::string_view a, std::string_view b) {
  KeyCharacters left(a);
  KeyCharacters right(b);
  for (;;) {
    char l = 0;
    char r = 0;
    const bool more = left.Next(l);
    if (more != right.Next(r)) return false;
    if (!more) return true;
    if (l != r) return false;
  }
}

std::uint64_t PartNameHash(std::string_view name) {
  // FNV-1a over the key's bytes.
  std::uint64_t hash = 0xcbf29ce484222325u;
  KeyCharacters characters(name);
  for (char c; characters.Next(c);) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  return hash;
}

std::optional<std::string> ResolvePartReference(std::string_view base, std::string_view reference) {
  if (reference.empty() || reference.starts_with("//")) return std::nullopt;
  if (reference.find_first_of("?#") != std::string_view::npos) return std::nullopt;
  const std::size_t colon = reference.find(':');
  if (colon != std::string_view::npos && reference.substr(0, colon).find('/') == std::string_view::npos) return std::nullopt;
  std::string path;
  if (reference.front() == '/') {
    path = reference;
  } else {
    path = base.substr(0, base.rfind('/') + 1);
    path += reference;
  }
  std::string resolved = RemoveDotSegments(path);
  if (PartNameProblem(resolved)) return std::nullopt;
  return resolved;
}

std::string RelationshipsPartName(std::string_view source) {
  if (source == "/") return "/_rels/.rels";
  const std::size_t slash = source.rfind('/');
  std::string name(source.substr(0, slash + 1));
  name += "_rels/";
  name += source.substr(slash + 1);
  name += ".rels";
  return name;
}

std::string_view PartExtension(std::string_view name) {
  const std::string_view last = name.substr(name.rfind('/') + 1);
  const std::size_t dot = last.rfind('.');
  return dot == std::string_view::npos ? std::string_view{} : last.substr(dot + 1);
}

}  // namespace kestrel::package
