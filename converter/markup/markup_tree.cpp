#include "converter/markup/markup_tree.h"

namespace xpsconv {

namespace {
// Far beyond real pages; the reader before us bounds depth at the same figure.
constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxElements = 2'000'000;
constexpr std::size_t kMaxTextBytes = 256u << 20;
}  // namespace

std::string_view LocalPart(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Element::LocalName() const { return LocalPart(name); }

const std::string* Element::Attribute(std::string_view localName) const {
  for (const auto& [key, value] : attributes)
    if (LocalPart(key) == localName) return &value;
  return nullptr;
}

const Element* Element::Child(std::string_view localName) const {
  for (const auto& child : children)
    if (child->LocalName() == localName) return child.get();
  return nullptr;
}

bool TreeBuilder::Fail(std::string why) {
  if (failure_.empty()) failure_ = std::move(why);
  return false;
}

bool TreeBuilder::Start(std::string_view name) {
  if (!failure_.empty()) return false;
  if (root_ && open_.empty()) return Fail("an element follows the end of the page");
  if (open_.size() >= kMaxDepth) return Fail("elements nest deeper than " + std::to_string(kMaxDepth));
  if (++elements_ > kMaxElements) return Fail("the page has more than " + std::to_string(kMaxElements) + " elements");
  text_bytes_ += name.size();
  auto element = std::make_unique<Element>();
  element->name = name;
  Element* raw = element.get();
  if (open_.empty())
    root_ = std::move(element);
  else
    open_.back()->children.push_back(std::move(element));
  open_.push_back(raw);
  return true;
}

bool TreeBuilder::AddAttribute(std::string_view name, std::string value) {
  if (!failure_.empty()) return false;
  if (open_.empty()) return Fail("an attribute arrives outside any element");
  text_bytes_ += name.size() + value.size();
  if (text_bytes_ > kMaxTextBytes) return Fail("the page's markup passes " + std::to_string(kMaxTextBytes >> 20) + " MB");
  // The bridge hands attributes last first; kept in markup order.
  auto& attributes = open_.back()->attributes;
  attributes.emplace(attributes.begin(), std::string(name), std::move(value));
  return true;
}

bool TreeBuilder::End(std::string_view name) {
  if (!failure_.empty()) return false;
  if (open_.empty() || open_.back()->name != name)
    return Fail("the end of " + std::string(name) + " does not match the open element");
  open_.pop_back();
  return true;
}

bool TreeBuilder::EndCurrent() {
  if (!failure_.empty()) return false;
  if (open_.empty()) return Fail("an end arrives with no element open");
  open_.pop_back();
  return true;
}

}  // namespace xpsconv
