// Brushes as cairo patterns: solid colours, linear and radial gradients, and
// the tile brushes (image and visual), whose content is mapped from its
// Viewbox to its Viewport and drawn once or tiled.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "converter/markup/cairo_handles.h"
#include "converter/markup/page_renderer.h"

namespace xpsconv {

namespace {

// Larger tiles are drawn at a lower resolution.
constexpr double kMaxTilePixels = 16.0 * 1024 * 1024;
constexpr double kMaxTileSide = 32767;
// A visual brush may show content filled with a visual brush: this deep at most
// (a brush that shows itself would otherwise never end).
constexpr int kMaxTileDepth = 4;

double Opacity(const Element& brush) {
  const std::string* text = brush.Attribute("Opacity");
  const auto value = text ? ParseNumber(*text) : std::nullopt;
  return value ? std::clamp(*value, 0.0, 1.0) : 1.0;
}

bool Relative(const Element& brush, std::string_view attribute) {
  const std::string* units = brush.Attribute(attribute);
  return units && *units == "RelativeToBoundingBox";
}

// Brush space to user space: the bounds mapping for relative units, then the brush's Transform.
cairo_matrix_t BrushToUser(const std::optional<cairo_matrix_t>& transform, bool relative, const Rect& bounds) {
  cairo_matrix_t matrix;
  cairo_matrix_init_identity(&matrix);
  if (relative) cairo_matrix_init(&matrix, bounds.width, 0, 0, bounds.height, bounds.x, bounds.y);
  if (transform) cairo_matrix_multiply(&matrix, &matrix, &*transform);
  return matrix;
}

// Sets the pattern's matrix from a pattern-to-user mapping; false when it cannot be inverted.
bool SetPatternToUser(cairo_pattern_t* pattern, cairo_matrix_t toUser) {
  if (cairo_matrix_invert(&toUser) != CAIRO_STATUS_SUCCESS) return false;
  cairo_pattern_set_matrix(pattern, &toUser);
  return true;
}

cairo_pattern_t* Finish(cairo_pattern_t* pattern, const cairo_matrix_t& toUser) {
  if (SetPatternToUser(pattern, toUser)) return pattern;
  cairo_pattern_destroy(pattern);
  return nullptr;
}

struct ImageSource {
  std::string image, profile;  // profile: empty for the image's own
};

// "{ColorConvertedBitmap image profile}" names the image and the profile that replaces its own.
ImageSource ParseImageSource(const std::string& source) {
  constexpr std::string_view kConverted = "{ColorConvertedBitmap ";
  if (!source.starts_with(kConverted)) return {source, {}};
  std::istringstream names(source.substr(kConverted.size(), source.find('}') - kConverted.size()));
  ImageSource parsed;
  std::string extra;
  if (!(names >> parsed.image >> parsed.profile) || names >> extra) return {};
  return parsed;
}

double Scale(const cairo_matrix_t& m) { return std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx)); }

}  // namespace

std::optional<Rgba> PageRenderer::Color(std::string_view text) {
  constexpr std::string_view kContext = "ContextColor ";
  const std::size_t start = text.find_first_not_of(' ');
  if (start != std::string_view::npos && text.substr(start).starts_with(kContext)) {
    const std::string_view rest = text.substr(start + kContext.size());
    const std::size_t space = rest.find(' ');
    std::vector<double> channels = ParseNumbers(space == std::string_view::npos ? "" : rest.substr(space + 1));
    if (channels.size() >= 2) {
      const double alpha = channels.front();
      channels.erase(channels.begin());
      if (const auto color = resources_.ProfileColor(std::string(rest.substr(0, space)), channels, alpha)) return color;
    }
  }
  return ParseColor(text);
}

cairo_pattern_t* PageRenderer::BrushPattern(const Element& owner, std::string_view attribute, double opacity,
                                            const Rect& bounds) {
  if (const std::string* text = owner.Attribute(attribute); text && StaticResourceKey(*text).empty()) {
    const auto color = Color(*text);
    if (!color) return nullptr;
    return cairo_pattern_create_rgba(color->r, color->g, color->b, color->a * opacity);
  }
  const Element* brush = PropertyElement(owner, attribute);
  return brush ? MakeBrush(*brush, opacity, bounds) : nullptr;
}

cairo_pattern_t* PageRenderer::MakeBrush(const Element& brush, double opacity, const Rect& bounds) {
  opacity *= Opacity(brush);
  const std::string_view kind = brush.LocalName();
  if (kind == "SolidColorBrush") {
    const std::string* text = brush.Attribute("Color");
    const auto color = text ? Color(*text) : std::nullopt;
    return color ? cairo_pattern_create_rgba(color->r, color->g, color->b, color->a * opacity) : nullptr;
  }
  if (kind == "LinearGradientBrush") return GradientBrush(brush, opacity, bounds, false);
  if (kind == "RadialGradientBrush") return GradientBrush(brush, opacity, bounds, true);
  const std::string* viewboxText = brush.Attribute("Viewbox");
  const auto viewbox = viewboxText ? ParseRect(*viewboxText) : std::nullopt;
  if (!viewbox || viewbox->width <= 0 || viewbox->height <= 0) return nullptr;
  if (kind == "ImageBrush") {
    const std::string* source = brush.Attribute("ImageSource");
    const ImageSource names = source ? ParseImageSource(*source) : ImageSource{};
    const PageImage* image = names.image.empty() ? nullptr : resources_.Image(names.image, names.profile);
    if (!image) return nullptr;
    // Viewbox units are 1/96 inch of the image at its own resolution.
    Rect box = *viewbox;
    if (Relative(brush, "ViewboxUnits")) {
      box = Rect{box.x * image->width * 96 / image->dpiX, box.y * image->height * 96 / image->dpiY,
                 box.width * image->width * 96 / image->dpiX, box.height * image->height * 96 / image->dpiY};
    }
    return TileBrush(brush, opacity, bounds, [&] {
      cairo_scale(cr_, 96 / image->dpiX, 96 / image->dpiY);
      cairo_set_source_surface(cr_, image->surface, 0, 0);
      cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
      cairo_rectangle(cr_, 0, 0, image->width, image->height);
      cairo_fill(cr_);
    }, box);
  }
  if (kind == "VisualBrush") {
    const Element* visual = PropertyElement(brush, "Visual");
    if (!visual) return nullptr;
    return TileBrush(brush, opacity, bounds, [&] { DrawElement(*visual); }, *viewbox);
  }
  return nullptr;
}

cairo_pattern_t* PageRenderer::GradientBrush(const Element& brush, double opacity, const Rect& bounds, bool radial) {
  const Element* stopsProperty = brush.Child(std::string(brush.LocalName()) + ".GradientStops");
  if (!stopsProperty) return nullptr;
  struct Stop {
    double offset;
    Rgba color;
  };
  std::vector<Stop> stops;
  for (const auto& stop : stopsProperty->children) {
    const std::string* offset = stop->Attribute("Offset");
    const std::string* color = stop->Attribute("Color");
    const auto value = offset ? ParseNumber(*offset) : std::nullopt;
    const auto rgba = color ? Color(*color) : std::nullopt;
    if (value && rgba) stops.push_back({*value, *rgba});
  }
  if (stops.empty()) return nullptr;
  std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.offset < b.offset; });
  const bool relative = Relative(brush, "MappingMode");
  std::optional<cairo_matrix_t> transform = Transform(brush, "Transform");
  cairo_matrix_t toUser = BrushToUser(transform, relative, bounds);
  cairo_pattern_t* pattern = nullptr;
  auto point = [&](std::string_view name) {
    const std::string* text = brush.Attribute(name);
    return text ? ParsePoint(*text).value_or(std::pair{0.0, 0.0}) : std::pair{0.0, 0.0};
  };
  if (!radial) {
    const auto [x0, y0] = point("StartPoint");
    const auto [x1, y1] = point("EndPoint");
    pattern = cairo_pattern_create_linear(x0, y0, x1, y1);
  } else {
    const auto [cx, cy] = point("Center");
    const auto [ox, oy] = point("GradientOrigin");
    const std::string* rxText = brush.Attribute("RadiusX");
    const std::string* ryText = brush.Attribute("RadiusY");
    const double rx = rxText ? ParseNumber(*rxText).value_or(0) : 0;
    const double ry = ryText ? ParseNumber(*ryText).value_or(0) : 0;
    if (rx <= 0 || ry <= 0) return nullptr;
    // Drawn as a circle of radius rx, then squeezed into the ellipse.
    const double squeeze = ry / rx;
    pattern = cairo_pattern_create_radial(ox, cy + (oy - cy) / squeeze, 0, cx, cy, rx);
    cairo_matrix_t ellipse;
    cairo_matrix_init(&ellipse, 1, 0, 0, squeeze, 0, cy - cy * squeeze);
    cairo_matrix_multiply(&toUser, &ellipse, &toUser);
  }
  for (const Stop& stop : stops)
    cairo_pattern_add_color_stop_rgba(pattern, std::clamp(stop.offset, 0.0, 1.0), stop.color.r, stop.color.g,
                                      stop.color.b, stop.color.a * opacity);
  const std::string* spread = brush.Attribute("SpreadMethod");
  cairo_pattern_set_extend(pattern, !spread ? CAIRO_EXTEND_PAD
                                    : *spread == "Reflect" ? CAIRO_EXTEND_REFLECT
                                    : *spread == "Repeat"  ? CAIRO_EXTEND_REPEAT
                                                           : CAIRO_EXTEND_PAD);
  return Finish(pattern, toUser);
}

cairo_pattern_t* PageRenderer::TileBrush(const Element& brush, double opacity, const Rect& bounds,
                                         const std::function<void()>& drawContent, const Rect& viewbox) {
  if (tile_depth_ >= kMaxTileDepth) return nullptr;
  struct Nested {
    int& depth;
    explicit Nested(int& d) : depth(++d) {}
    ~Nested() { --depth; }
  } nested(tile_depth_);
  const std::string* viewportText = brush.Attribute("Viewport");
  auto viewport = viewportText ? ParseRect(*viewportText) : std::nullopt;
  if (!viewport) return nullptr;
  if (Relative(brush, "ViewportUnits"))
    viewport = Rect{bounds.x + viewport->x * bounds.width, bounds.y + viewport->y * bounds.height,
                    viewport->width * bounds.width, viewport->height * bounds.height};
  // Relative to a path with no height or width, the viewport is empty too.
  if (!(viewport->width > 0 && viewport->height > 0 && std::isfinite(viewport->width) &&
        std::isfinite(viewport->height)))
    return nullptr;
  const std::optional<cairo_matrix_t> transform = Transform(brush, "Transform");
  const cairo_matrix_t brushToUser = BrushToUser(transform, false, bounds);
  const std::string* tileText = brush.Attribute("TileMode");
  const std::string_view tile = tileText ? std::string_view(*tileText) : "None";
  const bool flipX = tile == "FlipX" || tile == "FlipXY", flipY = tile == "FlipY" || tile == "FlipXY";
  // Viewbox content to one tile's own units (the viewport's size, origin at 0).
  auto drawTile = [&](cairo_t* target, double x, double y, bool mirrorX, bool mirrorY) {
    cairo_t* saved = cr_;
    cr_ = target;
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_rectangle(cr_, 0, 0, viewport->width, viewport->height);
    cairo_clip(cr_);
    if (mirrorX) {
      cairo_translate(cr_, viewport->width, 0);
      cairo_scale(cr_, -1, 1);
    }
    if (mirrorY) {
      cairo_translate(cr_, 0, viewport->height);
      cairo_scale(cr_, 1, -1);
    }
    cairo_scale(cr_, viewport->width / viewbox.width, viewport->height / viewbox.height);
    cairo_translate(cr_, -viewbox.x, -viewbox.y);
    if (opacity < 1) cairo_push_group(cr_);
    drawContent();
    if (opacity < 1) {
      cairo_pop_group_to_source(cr_);
      cairo_paint_with_alpha(cr_, opacity);
    }
    cairo_restore(cr_);
    cr_ = saved;
  };
  cairo_matrix_t tileToUser;
  cairo_matrix_init_translate(&tileToUser, viewport->x, viewport->y);
  cairo_matrix_multiply(&tileToUser, &tileToUser, &brushToUser);
  if (tile == "None") {
    // Drawn once: replayed as vectors at the output's resolution.
    cairo_rectangle_t extents{0, 0, viewport->width, viewport->height};
    const CairoSurface recording{cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents)};
    drawTile(CairoContext{cairo_create(recording.get())}.get(), 0, 0, false, false);
    return Finish(cairo_pattern_create_for_surface(recording.get()), tileToUser);
  }
  // Tiled: one period drawn ahead at about the output's resolution.
  cairo_matrix_t ctm;
  cairo_get_matrix(cr_, &ctm);
  cairo_matrix_t tileToDevice = tileToUser;
  cairo_matrix_multiply(&tileToDevice, &tileToDevice, &ctm);
  const double columns = flipX ? 2 : 1, rows = flipY ? 2 : 1;
  const double periodWidth = viewport->width * columns, periodHeight = viewport->height * rows;
  double scale = Scale(tileToDevice) * device_scale_;
  const double pixels = periodWidth * scale * periodHeight * scale;
  if (pixels > kMaxTilePixels) scale *= std::sqrt(kMaxTilePixels / pixels);
  // Nor may a side be longer than an image can be (a long thin tile is within the pixel bound).
  scale = std::min({scale, kMaxTileSide / periodWidth, kMaxTileSide / periodHeight});
  if (!std::isfinite(scale) || scale <= 0) return nullptr;
  const int width = std::max(1, static_cast<int>(std::ceil(periodWidth * scale)));
  const int height = std::max(1, static_cast<int>(std::ceil(periodHeight * scale)));
  budget_.SpendTilePixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const CairoSurface surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)};
  {
    const CairoContext target{cairo_create(surface.get())};
    cairo_scale(target.get(), width / periodWidth, height / periodHeight);
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < columns; ++column)
        drawTile(target.get(), column * viewport->width, row * viewport->height, column == 1, row == 1);
  }
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface.get());
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_matrix_t pixelToTile;
  cairo_matrix_init_scale(&pixelToTile, periodWidth / width, periodHeight / height);
  cairo_matrix_multiply(&pixelToTile, &pixelToTile, &tileToUser);
  return Finish(pattern, pixelToTile);
}

}  // namespace xpsconv
