#include "start_tag_order.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameEnd(char c) { return IsSpace(c) || c == '=' || c == '/' || c == '>'; }

class TagScanner {
 public:
  explicit TagScanner(std::string_view tag) : tag_(tag) {}

  bool AtEnd() const { return i_ >= tag_.size() || tag_[i_] == '/' || tag_[i_] == '>'; }
  void SkipSpace() {
    while (i_ < tag_.size() && IsSpace(tag_[i_])) ++i_;
  }
  std::string_view Name() {
    const std::size_t start = i_;
    while (i_ < tag_.size() && !IsNameEnd(tag_[i_])) ++i_;
    return tag_.substr(start, i_ - start);
  }
  bool Expect(char c) {
    if (i_ >= tag_.size() || tag_[i_] != c) return false;
    ++i_;
    return true;
  }
  bool QuotedValue() {
    if (i_ >= tag_.size() || (tag_[i_] != '"' && tag_[i_] != '\'')) return false;
    const std::size_t close = tag_.find(tag_[i_], i_ + 1);
    if (close == std::string_view::npos) return false;
    i_ = close + 1;
    return true;
  }

 private:
  std::string_view tag_;
  std::size_t i_ = 0;
};

}  // namespace

bool ReadDeclarationOrder(std::string_view tag, std::vector<bool>& isDeclaration) {
  isDeclaration.clear();
  TagScanner scan(tag);
  if (!scan.Expect('<') || scan.Name().empty()) return false;
  for (;;) {
    scan.SkipSpace();
    if (scan.AtEnd()) return true;
    const std::string_view name = scan.Name();
    scan.SkipSpace();
    if (name.empty() || !scan.Expect('=')) return false;
    scan.SkipSpace();
    if (!scan.QuotedValue()) return false;
    isDeclaration.push_back(name == "xmlns" || name.starts_with("xmlns:"));
  }
}
