#include "converter/markup/page_renderer.h"

#include "converter/markup/cairo_handles.h"
#include "converter/markup/path_geometry.h"

#include <cmath>
#include <limits>

namespace xpsconv {

namespace {

double OpacityOf(const Element& element) {
  const std::string* text = element.Attribute("Opacity");
  const auto value = text ? ParseNumber(*text) : std::nullopt;
  return value ? std::clamp(*value, 0.0, 1.0) : 1.0;
}

// The property element for an attribute ("Path.Fill" of a Path), found
// without building its name: asked for every element drawn.
const Element* PropertyChild(const Element& owner, std::string_view attribute) {
  const std::string_view type = owner.LocalName();
  for (const auto& child : owner.children) {
    const std::string_view name = child->LocalName();
    if (name.size() == type.size() + 1 + attribute.size() && name.starts_with(type) && name[type.size()] == '.' &&
        name.ends_with(attribute))
      return child.get();
  }
  return nullptr;
}

// The current path's flattened length in user space, where dashes are laid out.
double FlatLength(cairo_t* cr) {
  cairo_path_t* flat = cairo_copy_path_flat(cr);
  double length = 0, x = 0, y = 0, startX = 0, startY = 0;
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t& item = flat->data[i];
    if (item.header.type == CAIRO_PATH_CLOSE_PATH) {
      length += std::hypot(startX - x, startY - y);
      x = startX, y = startY;
      continue;
    }
    const double px = flat->data[i + 1].point.x, py = flat->data[i + 1].point.y;
    if (item.header.type == CAIRO_PATH_MOVE_TO)
      startX = px, startY = py;
    else
      length += std::hypot(px - x, py - y);
    x = px, y = py;
  }
  cairo_path_destroy(flat);
  return length;
}

Rect PathExtents(cairo_t* cr) {
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  return Rect{x1, y1, x2 - x1, y2 - y1};
}

}  // namespace

PageRenderer::PageRenderer(cairo_t* cr, PageResources& resources, PageBudget& budget, double deviceScale)
    : cr_(cr), resources_(resources), budget_(budget), device_scale_(deviceScale) {}

void PageRenderer::DrawPage(const Element& page) {
  const bool pushed = PushResources(page);
  DrawChildren(page);
  if (pushed) dictionaries_.pop_back();
}

bool PageRenderer::PushResources(const Element& element) {
  const Element* resources = PropertyChild(element, "Resources");
  if (!resources) return false;
  Dictionary dictionary;
  for (const auto& child : resources->children) {
    if (child->LocalName() != "ResourceDictionary") continue;
    for (const auto& entry : child->children)
      if (const std::string* key = entry->Attribute("Key")) dictionary.emplace(*key, entry.get());
  }
  dictionaries_.push_back(std::move(dictionary));
  return true;
}

const Element* PageRenderer::Lookup(std::string_view key) const {
  for (auto scope = dictionaries_.rbegin(); scope != dictionaries_.rend(); ++scope)
    if (const auto found = scope->find(key); found != scope->end()) return found->second;
  return nullptr;
}

const Element* PageRenderer::PropertyElement(const Element& owner, std::string_view attribute) const {
  if (const std::string* text = owner.Attribute(attribute)) {
    const std::string_view key = StaticResourceKey(*text);
    return key.empty() ? nullptr : Lookup(key);
  }
  const Element* property = PropertyChild(owner, attribute);
  return property && !property->children.empty() ? property->children.front().get() : nullptr;
}

std::optional<cairo_matrix_t> PageRenderer::Transform(const Element& owner, std::string_view attribute) const {
  if (const std::string* text = owner.Attribute(attribute); text && StaticResourceKey(*text).empty())
    return ParseMatrix(*text);
  const Element* transform = PropertyElement(owner, attribute);
  if (!transform || transform->LocalName() != "MatrixTransform") return std::nullopt;
  const std::string* matrix = transform->Attribute("Matrix");
  return matrix ? ParseMatrix(*matrix) : std::nullopt;
}

void PageRenderer::AppendGeometry(const Element& owner, std::string_view attribute, cairo_fill_rule_t* rule) {
  if (const std::string* text = owner.Attribute(attribute); text && StaticResourceKey(*text).empty())
    return AppendAbbreviatedGeometry(cr_, *text, rule, budget_);
  if (const Element* geometry = PropertyElement(owner, attribute); geometry && geometry->LocalName() == "PathGeometry")
    AppendPathGeometry(cr_, *geometry, rule, budget_);
}

void PageRenderer::ApplyClip(const Element& owner) {
  if (!owner.Attribute("Clip") && !PropertyChild(owner, "Clip")) return;
  cairo_fill_rule_t rule = CAIRO_FILL_RULE_EVEN_ODD;
  cairo_new_path(cr_);
  AppendGeometry(owner, "Clip", &rule);
  cairo_set_fill_rule(cr_, rule);
  cairo_clip(cr_);
}

bool PageRenderer::BeginLayer(const Element& element) {
  if (OpacityOf(element) >= 1.0 && !element.Attribute("OpacityMask") &&
      !PropertyChild(element, "OpacityMask"))
    return false;
  cairo_push_group(cr_);
  return true;
}

void PageRenderer::EndLayer(const Element& element, bool pushed, const Rect& bounds) {
  if (!pushed) return;
  cairo_pop_group_to_source(cr_);
  const double opacity = OpacityOf(element);
  if (cairo_pattern_t* mask = BrushPattern(element, "OpacityMask", opacity, bounds)) {
    cairo_mask(cr_, mask);
    cairo_pattern_destroy(mask);
  } else if (!element.Attribute("OpacityMask") && !PropertyChild(element, "OpacityMask")) {
    cairo_paint_with_alpha(cr_, opacity);
  }
}

void PageRenderer::DrawChildren(const Element& parent) {
  for (std::size_t i = 0; i < parent.children.size();) {
    const std::size_t filled = FillPlainPaths(parent.children, i);
    if (filled == 0) DrawElement(*parent.children[i]);
    i += std::max<std::size_t>(filled, 1);
  }
}

void PageRenderer::DrawElement(const Element& element) {
  const std::string_view name = element.LocalName();
  if (name == "Canvas") return DrawCanvas(element);
  if (name == "Path") return DrawPath(element);
  if (name == "Glyphs") return DrawGlyphs(element);
  if (name == "AlternateContent") {
    // No extension namespace is understood: the fallback is drawn.
    if (const Element* fallback = element.Child("Fallback")) DrawChildren(*fallback);
  }
}

bool PageRenderer::ApplyRenderTransform(const Element& element) {
  const auto transform = Transform(element, "RenderTransform");
  if (!transform) return true;
  // A transform that squashes the element to nothing leaves nothing to draw.
  cairo_matrix_t inverse = *transform;
  if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) return false;
  cairo_transform(cr_, &*transform);
  return true;
}

void PageRenderer::DrawCanvas(const Element& canvas) {
  cairo_save(cr_);
  if (!ApplyRenderTransform(canvas)) return cairo_restore(cr_);
  ApplyClip(canvas);
  const bool pushed = PushResources(canvas);
  const bool layer = BeginLayer(canvas);
  DrawChildren(canvas);
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  EndLayer(canvas, layer, Rect{x1, y1, x2 - x1, y2 - y1});
  if (pushed) dictionaries_.pop_back();
  cairo_restore(cr_);
}

void PageRenderer::DrawPath(const Element& path) {
  cairo_save(cr_);
  if (!ApplyRenderTransform(path)) return cairo_restore(cr_);
  ApplyClip(path);
  cairo_fill_rule_t rule = CAIRO_FILL_RULE_EVEN_ODD;
  cairo_new_path(cr_);
  AppendGeometry(path, "Data", &rule);
  cairo_set_fill_rule(cr_, rule);
  const Rect bounds = PathExtents(cr_);
  const bool layer = BeginLayer(path);
  if (cairo_pattern_t* fill = BrushPattern(path, "Fill", 1.0, bounds)) {
    cairo_set_source(cr_, fill);
    cairo_fill_preserve(cr_);
    cairo_pattern_destroy(fill);
  }
  const std::string* thicknessText = path.Attribute("StrokeThickness");
  const double thickness = thicknessText ? ParseNumber(*thicknessText).value_or(1.0) : 1.0;
  if (thickness > 0) {
    if (const CairoPattern stroke{BrushPattern(path, "Stroke", 1.0, bounds)}) Stroke(path, thickness, stroke.get());
  }
  cairo_new_path(cr_);
  EndLayer(path, layer, bounds);
  cairo_restore(cr_);
}

void PageRenderer::Stroke(const Element& path, double thickness, cairo_pattern_t* brush) {
  auto attribute = [&](std::string_view name, std::string_view fallback) {
    const std::string* value = path.Attribute(name);
    return value ? std::string_view(*value) : fallback;
  };
  cairo_set_line_width(cr_, thickness);
  const std::string_view join = attribute("StrokeLineJoin", "Miter");
  cairo_set_line_join(cr_, join == "Round"   ? CAIRO_LINE_JOIN_ROUND
                           : join == "Bevel" ? CAIRO_LINE_JOIN_BEVEL
                                             : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr_, std::max(1.0, ParseNumber(attribute("StrokeMiterLimit", "10")).value_or(10)));
  std::vector<double> dashes = ParseNumbers(attribute("StrokeDashArray", ""));
  double total = 0;
  for (double& dash : dashes) total += (dash = std::max(0.0, dash) * thickness);
  // A period far below a device pixel would cost dashes without showing them.
  const bool dashed = !dashes.empty() && total * device_scale_ >= 0.5 && dashes.size() <= 1024;
  // Dashes end in the dash cap (cairo's one cap); the ends of open figures get
  // their own caps, drawn as shapes, unless both are flat.
  const std::string_view startCap = attribute("StrokeStartLineCap", "Flat");
  const std::string_view endCap = attribute("StrokeEndLineCap", "Flat");
  const std::string_view dashCap = attribute("StrokeDashCap", "Flat");
  const bool ownCaps = startCap != "Flat" || endCap != "Flat";
  const std::string_view cairoCap = dashed ? dashCap : "Flat";
  cairo_set_line_cap(cr_, cairoCap == "Round"    ? CAIRO_LINE_CAP_ROUND
                          : cairoCap == "Square" ? CAIRO_LINE_CAP_SQUARE
                                                 : CAIRO_LINE_CAP_BUTT);
  if (dashed) {
    // Each dash is outline to draw, on the page or off it.
    const double pieces = FlatLength(cr_) / total * static_cast<double>(dashes.size());
    budget_.SpendPoints(pieces < 1e18 ? static_cast<std::size_t>(pieces) : std::numeric_limits<std::size_t>::max());
    const double offset = ParseNumber(attribute("StrokeDashOffset", "0")).value_or(0) * thickness;
    cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()), offset);
  }
  if (!ownCaps) {
    cairo_set_source(cr_, brush);
    cairo_stroke_preserve(cr_);
    return;
  }
  // The stroke and its caps as one opaque mask, so that a translucent brush
  // does not show where they overlap.
  cairo_path_t* flat = cairo_copy_path_flat(cr_);
  cairo_push_group_with_content(cr_, CAIRO_CONTENT_ALPHA);
  cairo_set_source_rgba(cr_, 0, 0, 0, 1);
  cairo_stroke_preserve(cr_);
  cairo_new_path(cr_);
  AppendCaps(flat, startCap, endCap, thickness / 2);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr_);
  cairo_pattern_t* mask = cairo_pop_group(cr_);
  cairo_set_source(cr_, brush);
  cairo_mask(cr_, mask);
  cairo_pattern_destroy(mask);
  cairo_new_path(cr_);
  cairo_append_path(cr_, flat);
  cairo_path_destroy(flat);
}

void PageRenderer::AppendCaps(const cairo_path_t* flat, std::string_view startCap, std::string_view endCap,
                              double half) {
  struct Point {
    double x, y;
  };
  auto cap = [&](Point p, Point towards, std::string_view kind) {
    double dx = p.x - towards.x, dy = p.y - towards.y;
    const double length = std::hypot(dx, dy);
    if (length == 0 || kind == "Flat") return;
    dx /= length, dy /= length;
    const Point n{-dy * half, dx * half};
    cairo_new_sub_path(cr_);
    if (kind == "Round") {
      cairo_arc(cr_, p.x, p.y, half, 0, 2 * M_PI);
    } else if (kind == "Square") {
      cairo_move_to(cr_, p.x + n.x, p.y + n.y);
      cairo_line_to(cr_, p.x + n.x + dx * half, p.y + n.y + dy * half);
      cairo_line_to(cr_, p.x - n.x + dx * half, p.y - n.y + dy * half);
      cairo_line_to(cr_, p.x - n.x, p.y - n.y);
    } else if (kind == "Triangle") {
      cairo_move_to(cr_, p.x + n.x, p.y + n.y);
      cairo_line_to(cr_, p.x + dx * half, p.y + dy * half);
      cairo_line_to(cr_, p.x - n.x, p.y - n.y);
    }
    cairo_close_path(cr_);
  };
  // Each open figure: its first two distinct points and its last two.
  std::vector<Point> figure;
  auto finish = [&](bool closed) {
    if (!closed && figure.size() >= 2) {
      std::size_t second = 1;
      while (second + 1 < figure.size() && figure[second].x == figure[0].x && figure[second].y == figure[0].y) ++second;
      std::size_t before = figure.size() - 2;
      while (before > 0 && figure[before].x == figure.back().x && figure[before].y == figure.back().y) --before;
      cap(figure.front(), figure[second], startCap);
      cap(figure.back(), figure[before], endCap);
    }
    figure.clear();
  };
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t& item = flat->data[i];
    switch (item.header.type) {
      case CAIRO_PATH_MOVE_TO:
        finish(false);
        figure.push_back({flat->data[i + 1].point.x, flat->data[i + 1].point.y});
        break;
      case CAIRO_PATH_LINE_TO:
        figure.push_back({flat->data[i + 1].point.x, flat->data[i + 1].point.y});
        break;
      case CAIRO_PATH_CLOSE_PATH:
        finish(true);
        break;
      default:
        break;
    }
  }
  finish(false);
}

}  // namespace xpsconv
