// Draws a page tree onto a cairo context in page units (1/96 inch): canvases
// with their transforms, clips, opacity and opacity masks; paths and glyph
// runs with solid, gradient, image and visual brushes; resources from the
// page's and canvases' dictionaries (the elements of remote dictionaries
// arrive inside the referring dictionary's property element). Content past a
// bound throws RenderFailure.
#pragma once

#include <cairo.h>

#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "converter/markup/markup_tree.h"
#include "converter/markup/markup_values.h"
#include "converter/markup/page_resources.h"
#include "converter/markup/render_failure.h"

namespace xpsconv {

class PageRenderer {
 public:
  // deviceScale: output pixels per page unit, for tiles drawn ahead.
  PageRenderer(cairo_t* cr, PageResources& resources, PageBudget& budget, double deviceScale);
  void DrawPage(const Element& page);

 private:
  using Dictionary = std::map<std::string_view, const Element*>;

  void DrawChildren(const Element& parent);
  // Fills the plain paths from siblings[first] on that can share one fill;
  // how many it drew (0: siblings[first] is not one).
  std::size_t FillPlainPaths(const std::vector<std::unique_ptr<Element>>& siblings, std::size_t first);
  void DrawElement(const Element& element);
  void DrawCanvas(const Element& canvas);
  void DrawPath(const Element& path);
  void DrawGlyphs(const Element& glyphs);
  // Strokes the current path (kept) with the element's pen and caps.
  void Stroke(const Element& path, double thickness, cairo_pattern_t* brush);
  // Cap shapes at the ends of the open figures of a flattened path.
  void AppendCaps(const cairo_path_t* flat, std::string_view startCap, std::string_view endCap, double half);

  // Pushes the element's dictionary (if any) for its children; returns whether one was pushed.
  bool PushResources(const Element& element);
  const Element* Lookup(std::string_view key) const;
  // An attribute's element value: a property element's first child, or the
  // resource an attribute names.
  const Element* PropertyElement(const Element& owner, std::string_view attribute) const;
  std::optional<cairo_matrix_t> Transform(const Element& owner, std::string_view attribute) const;
  // false (nothing applied) when the element's RenderTransform cannot be inverted.
  bool ApplyRenderTransform(const Element& element);
  void ApplyClip(const Element& owner);
  // Starts a group when the element has opacity below 1 or a mask; the end draws it.
  bool BeginLayer(const Element& element);
  void EndLayer(const Element& element, bool pushed, const Rect& bounds);

  // The brush an attribute or property names as a pattern (owned by the
  // caller), over bounds for relative units; NULL for nothing to draw.
  cairo_pattern_t* BrushPattern(const Element& owner, std::string_view attribute, double opacity, const Rect& bounds);
  cairo_pattern_t* MakeBrush(const Element& brush, double opacity, const Rect& bounds);
  cairo_pattern_t* GradientBrush(const Element& brush, double opacity, const Rect& bounds, bool radial);
  cairo_pattern_t* TileBrush(const Element& brush, double opacity, const Rect& bounds,
                             const std::function<void()>& drawContent, const Rect& viewbox);
  void AppendGeometry(const Element& owner, std::string_view attribute, cairo_fill_rule_t* rule);
  // A colour value; ContextColor through its profile where the profile can be had.
  std::optional<Rgba> Color(std::string_view text);

  cairo_t* cr_;
  PageResources& resources_;
  PageBudget& budget_;
  double device_scale_;
  std::vector<Dictionary> dictionaries_;
  int tile_depth_ = 0;  // tile brushes being drawn inside each other
};

}  // namespace xpsconv
