// The open elements with their names in UTF-16, converted once at the start tag and
// reused for the end tag, and the prefixes each declared, for endPrefixMapping.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "name_cache.h"
#include "utf16_arena.h"

class ElementStack {
 public:
  struct Element {
    const char* uriSource = nullptr;
    Utf16Span uri;
    Utf16Span localName;
    Utf16Span qName;
    std::size_t firstPrefix = 0;  // into the prefix list
    std::size_t mark = 0;         // arena size before this element
  };

  std::size_t Depth() const { return elements_.size(); }
  // false when a name is not UTF-8. libxml2 interns namespace names, so an element
  // whose URI is its parent's very string shares the parent's conversion.
  bool Push(std::string_view uri, const NameCache::Name& name);
  bool AddPrefix(std::string_view prefix);
  const Element& Top() const { return elements_.back(); }
  // The prefixes the top element declared, in declaration order.
  std::size_t PrefixCount() const { return prefixes_.size() - Top().firstPrefix; }
  Utf16Span Prefix(std::size_t i) const { return prefixes_[Top().firstPrefix + i]; }
  void Pop();
  void Clear();

  const Utf16Arena& Strings() const { return names_; }

 private:
  Utf16Arena names_;
  std::vector<Element> elements_;
  std::vector<Utf16Span> prefixes_;
};
