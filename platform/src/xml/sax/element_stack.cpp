#include "element_stack.h"

bool ElementStack::Push(std::string_view uri, const NameCache::Name& qualified) {
  const std::size_t mark = names_.Mark();
  const bool parentsUri = !elements_.empty() && elements_.back().uriSource == uri.data();
  const std::optional<Utf16Span> uri16 = parentsUri ? elements_.back().uri : names_.Append(uri);
  if (!uri16) return false;
  const Utf16Arena::QualifiedName name = names_.AppendCopy(qualified.qName, qualified.localOffset);
  elements_.push_back({uri.data(), *uri16, name.localName, name.qName, prefixes_.size(), mark});
  return true;
}

bool ElementStack::AddPrefix(std::string_view prefix) {
  const std::optional<Utf16Span> prefix16 = names_.Append(prefix);
  if (!prefix16) return false;
  prefixes_.push_back(*prefix16);
  return true;
}

void ElementStack::Pop() {
  prefixes_.resize(Top().firstPrefix);
  names_.Truncate(Top().mark);
  elements_.pop_back();
}

void ElementStack::Clear() {
  names_.Clear();
  elements_.clear();
  prefixes_.clear();
}
