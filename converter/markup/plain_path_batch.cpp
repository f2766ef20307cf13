// Paths that are nothing but a solid Fill and a short Data string, one after
// another with the same fill and fill rule, are filled as one path as long as
// none overlaps another: the same pixels (less the seams that separate fills
// leave where shapes touch) at a fraction of cairo's cost per fill. Some
// producers set text as thousands of tiny rectangles a page.
#include <algorithm>

#include "converter/markup/cairo_handles.h"
#include "converter/markup/page_renderer.h"
#include "converter/markup/path_geometry.h"

namespace xpsconv {

namespace {

// Longer outlines are drawn one by one; they gain little and would be kept twice.
constexpr std::size_t kMaxPlainData = 4096;
// Outlines one fill takes at most: each new one is checked against all of them.
constexpr std::size_t kMaxBatch = 128;

// Attributes that draw nothing.
bool Inert(std::string_view name) {
  return name == "Name" || name == "lang" || name == "FixedPage.NavigateUri" ||
         name.starts_with("AutomationProperties.");
}

// The Fill of a path that has only a colour fill and inline geometry; NULL for any other element.
const std::string* PlainFill(const Element& element) {
  if (element.LocalName() != "Path" || !element.children.empty()) return nullptr;
  const std::string *fill = nullptr, *data = nullptr;
  for (const auto& [name, value] : element.attributes) {
    const std::string_view local = LocalPart(name);
    if (local == "Fill")
      fill = &value;
    else if (local == "Data")
      data = &value;
    else if (!Inert(local))
      return nullptr;
  }
  if (!fill || !data || data->size() > kMaxPlainData || !StaticResourceKey(*fill).empty() ||
      !StaticResourceKey(*data).empty())
    return nullptr;
  return fill;
}

}  // namespace

std::size_t PageRenderer::FillPlainPaths(const std::vector<std::unique_ptr<Element>>& siblings, std::size_t first) {
  const std::string* fill = PlainFill(*siblings[first]);
  if (!fill) return 0;
  const CairoPattern source{BrushPattern(*siblings[first], "Fill", 1.0, Rect{})};
  if (!source) return 0;
  cairo_save(cr_);
  cairo_set_source(cr_, source.get());
  cairo_new_path(cr_);
  std::vector<PathOutline::Box> boxes;
  PathOutline::Box all;  // around every box of the batch
  cairo_fill_rule_t batchRule = CAIRO_FILL_RULE_EVEN_ODD;
  auto fillBatch = [&] {
    cairo_set_fill_rule(cr_, batchRule);
    cairo_fill(cr_);
    boxes.clear();
    all = PathOutline::Box{};
  };
  PathOutline outline;
  std::size_t next = first;
  for (; next < siblings.size(); ++next) {
    const std::string* nextFill = PlainFill(*siblings[next]);
    if (!nextFill || *nextFill != *fill) break;
    cairo_fill_rule_t rule = CAIRO_FILL_RULE_EVEN_ODD;
    outline.Clear();
    ParseAbbreviatedGeometry(*siblings[next]->Attribute("Data"), &rule, budget_, outline);
    if (outline.Empty()) continue;
    const PathOutline::Box& box = outline.Bounds();
    const bool apart = rule == batchRule && boxes.size() < kMaxBatch &&
                       (!box.Overlaps(all) || std::none_of(boxes.begin(), boxes.end(), [&](const PathOutline::Box& b) {
                          return box.Overlaps(b);
                        }));
    if (!boxes.empty() && !apart) fillBatch();
    batchRule = rule;
    boxes.push_back(box);
    all = PathOutline::Box{std::min(all.x1, box.x1), std::min(all.y1, box.y1), std::max(all.x2, box.x2),
                           std::max(all.y2, box.y2)};
    outline.AppendTo(cr_);
  }
  if (!boxes.empty()) fillBatch();
  cairo_new_path(cr_);
  cairo_restore(cr_);
  return next - first;
}

}  // namespace xpsconv
