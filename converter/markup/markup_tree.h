// The page as the markup converter receives it, element by element, built
// into a tree that is drawn once the page's root element ends. Names keep
// the prefixes the markup uses; lookups go by local name. Bounded: depth,
// element count and stored text have limits, past which the page fails.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xpsconv {

struct Element {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<std::unique_ptr<Element>> children;

  // The local part of the name, after any prefix.
  std::string_view LocalName() const;
  // An attribute by local name (prefix ignored); NULL when absent.
  const std::string* Attribute(std::string_view localName) const;
  // The first child whose local name is given (property elements such as "Path.Fill").
  const Element* Child(std::string_view localName) const;
};

std::string_view LocalPart(std::string_view name);

class TreeBuilder {
 public:
  // Each returns false with failure() set when the markup passes a limit or
  // does not nest.
  bool Start(std::string_view name);
  bool AddAttribute(std::string_view name, std::string value);
  bool End(std::string_view name);
  bool EndCurrent();

  // The root once it has ended.
  bool Complete() const { return root_ && open_.empty(); }
  const Element* root() const { return root_.get(); }
  const std::string& failure() const { return failure_; }

 private:
  bool Fail(std::string why);

  std::unique_ptr<Element> root_;
  std::vector<Element*> open_;
  std::size_t elements_ = 0;
  std::size_t text_bytes_ = 0;
  std::string failure_;
};

}  // namespace xpsconv
