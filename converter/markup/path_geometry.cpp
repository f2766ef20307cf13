#include "converter/markup/path_geometry.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

#include "converter/markup/markup_values.h"

namespace xpsconv {

namespace {

void AppendArc(cairo_t* cr, const ArcShape& arc) {
  cairo_matrix_t saved;
  cairo_get_matrix(cr, &saved);
  cairo_translate(cr, arc.cx, arc.cy);
  cairo_rotate(cr, arc.phi);
  cairo_scale(cr, arc.rx, arc.ry);
  if (arc.clockwise)
    cairo_arc(cr, 0, 0, 1, arc.start, arc.end);
  else
    cairo_arc_negative(cr, 0, 0, 1, arc.start, arc.end);
  cairo_set_matrix(cr, &saved);
}

struct Pen {
  double x = 0, y = 0;          // current point
  double startX = 0, startY = 0;
  double lastControlX = 0, lastControlY = 0;  // for the smooth curve
  bool lastWasCubic = false;
  bool open = false;
};

// Straight onto a cairo context's current path.
class CairoSink final : public GeometrySink {
 public:
  explicit CairoSink(cairo_t* cr) : cr_(cr) {}
  void MoveTo(double x, double y) override { cairo_move_to(cr_, x, y); }
  void LineTo(double x, double y) override { cairo_line_to(cr_, x, y); }
  void CurveTo(double x1, double y1, double x2, double y2, double x, double y) override {
    cairo_curve_to(cr_, x1, y1, x2, y2, x, y);
  }
  void Arc(const ArcShape& arc) override { AppendArc(cr_, arc); }
  void Close() override { cairo_close_path(cr_); }

 private:
  cairo_t* cr_;
};

void MoveTo(GeometrySink& sink, Pen& pen, double x, double y) {
  sink.MoveTo(x, y);
  pen = Pen{x, y, x, y, x, y, false, true};
}

void LineTo(GeometrySink& sink, Pen& pen, double x, double y) {
  if (!pen.open) MoveTo(sink, pen, pen.x, pen.y);
  sink.LineTo(x, y);
  pen.x = x;
  pen.y = y;
  pen.lastWasCubic = false;
}

void CubicTo(GeometrySink& sink, Pen& pen, double x1, double y1, double x2, double y2, double x, double y) {
  if (!pen.open) MoveTo(sink, pen, pen.x, pen.y);
  sink.CurveTo(x1, y1, x2, y2, x, y);
  pen.lastControlX = x2;
  pen.lastControlY = y2;
  pen.x = x;
  pen.y = y;
  pen.lastWasCubic = true;
}

void QuadTo(GeometrySink& sink, Pen& pen, double qx, double qy, double x, double y) {
  CubicTo(sink, pen, pen.x + 2.0 / 3 * (qx - pen.x), pen.y + 2.0 / 3 * (qy - pen.y), x + 2.0 / 3 * (qx - x),
          y + 2.0 / 3 * (qy - y), x, y);
  pen.lastWasCubic = false;
}

// An elliptical arc from the pen to (x, y), endpoint parameterised.
void ArcTo(GeometrySink& sink, Pen& pen, double rx, double ry, double angleDegrees, bool large, bool sweep, double x,
           double y) {
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if ((x == pen.x && y == pen.y)) return;
  if (rx == 0 || ry == 0) return LineTo(sink, pen, x, y);
  if (!pen.open) MoveTo(sink, pen, pen.x, pen.y);
  const double phi = angleDegrees * M_PI / 180;
  const double c = std::cos(phi), s = std::sin(phi);
  const double dx = (pen.x - x) / 2, dy = (pen.y - y) / 2;
  const double x1 = c * dx + s * dy, y1 = -s * dx + c * dy;
  double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
  if (lambda > 1) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  double factor = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
  if (large == sweep) factor = -factor;
  const double cx1 = factor * rx * y1 / ry, cy1 = -factor * ry * x1 / rx;
  const double cx = c * cx1 - s * cy1 + (pen.x + x) / 2, cy = s * cx1 + c * cy1 + (pen.y + y) / 2;
  const double start = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
  double end = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx);
  if (sweep && end < start) end += 2 * M_PI;
  if (!sweep && end > start) end -= 2 * M_PI;
  sink.Arc(ArcShape{cx, cy, rx, ry, phi, start, end, sweep});
  pen.x = x;
  pen.y = y;
  pen.lastWasCubic = false;
}

void Close(GeometrySink& sink, Pen& pen) {
  if (pen.open) sink.Close();
  pen.x = pen.startX;
  pen.y = pen.startY;
  pen.open = false;
  pen.lastWasCubic = false;
}

// The command letters of the abbreviated syntax and the numbers each takes.
int Arity(char command) {
  switch (std::toupper(static_cast<unsigned char>(command))) {
    case 'M': case 'L': return 2;
    case 'H': case 'V': return 1;
    case 'C': return 6;
    case 'Q': case 'S': return 4;
    case 'A': return 7;
    case 'Z': return 0;
    default: return -1;
  }
}

}  // namespace

void ParseAbbreviatedGeometry(std::string_view data, cairo_fill_rule_t* rule, PageBudget& budget, GeometrySink& sink) {
  std::size_t at = 0;
  auto skipSpace = [&] {
    while (at < data.size() && (std::isspace(static_cast<unsigned char>(data[at])) || data[at] == ',')) ++at;
  };
  auto readNumber = [&](double& value) {
    skipSpace();
    const char* begin = data.data() + at;
    if (at < data.size() && *begin == '+') ++begin;
    const auto [stop, error] = std::from_chars(begin, data.data() + data.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return false;
    at = static_cast<std::size_t>(stop - data.data());
    return true;
  };
  skipSpace();
  if (at < data.size() && data[at] == 'F') {
    // "F0" or "F 1": white space may stand between.
    std::size_t digit = at + 1;
    while (digit < data.size() && std::isspace(static_cast<unsigned char>(data[digit]))) ++digit;
    if (digit < data.size() && (data[digit] == '0' || data[digit] == '1')) {
      *rule = data[digit] == '1' ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
      at = digit + 1;
    }
  }
  Pen pen;
  char command = 0;
  double n[7];
  while (true) {
    skipSpace();
    if (at >= data.size()) break;
    if (std::isalpha(static_cast<unsigned char>(data[at]))) {
      command = data[at++];
      if (Arity(command) < 0) break;
      if (Arity(command) == 0) {
        Close(sink, pen);
        continue;
      }
    } else if (!command || Arity(command) == 0) {
      break;  // numbers without a command
    }
    // Numbers of one step of the command; a repeated M is a line.
    const int arity = Arity(command);
    bool complete = true;
    for (int i = 0; i < arity && complete; ++i) complete = readNumber(n[i]);
    if (!complete) break;
    budget.SpendPoints(static_cast<std::size_t>(arity + 1) / 2);
    const bool relative = std::islower(static_cast<unsigned char>(command));
    const double ox = relative ? pen.x : 0, oy = relative ? pen.y : 0;
    switch (std::toupper(static_cast<unsigned char>(command))) {
      case 'M':
        MoveTo(sink, pen, ox + n[0], oy + n[1]);
        command = relative ? 'l' : 'L';
        break;
      case 'L': LineTo(sink, pen, ox + n[0], oy + n[1]); break;
      case 'H': LineTo(sink, pen, ox + n[0], pen.y); break;
      case 'V': LineTo(sink, pen, pen.x, oy + n[0]); break;
      case 'C': CubicTo(sink, pen, ox + n[0], oy + n[1], ox + n[2], oy + n[3], ox + n[4], oy + n[5]); break;
      case 'Q': QuadTo(sink, pen, ox + n[0], oy + n[1], ox + n[2], oy + n[3]); break;
      case 'S': {
        const double x1 = pen.lastWasCubic ? 2 * pen.x - pen.lastControlX : pen.x;
        const double y1 = pen.lastWasCubic ? 2 * pen.y - pen.lastControlY : pen.y;
        CubicTo(sink, pen, x1, y1, ox + n[0], oy + n[1], ox + n[2], oy + n[3]);
        break;
      }
      case 'A': ArcTo(sink, pen, n[0], n[1], n[2], n[3] != 0, n[4] != 0, ox + n[5], oy + n[6]); break;
    }
  }
}

void AppendAbbreviatedGeometry(cairo_t* cr, std::string_view data, cairo_fill_rule_t* rule, PageBudget& budget) {
  CairoSink sink(cr);
  ParseAbbreviatedGeometry(data, rule, budget, sink);
}

void PathOutline::Arc(const ArcShape& arc) {
  // The whole ellipse's box: enough to tell outlines apart.
  const double reach = std::max(arc.rx, arc.ry);
  Extend(arc.cx - reach, arc.cy - reach);
  Extend(arc.cx + reach, arc.cy + reach);
  steps_.push_back(Step{Step::kArc, {}, arc});
}

void PathOutline::AppendTo(cairo_t* cr) const {
  for (const Step& step : steps_) {
    switch (step.kind) {
      case Step::kMove: cairo_move_to(cr, step.points[0], step.points[1]); break;
      case Step::kLine: cairo_line_to(cr, step.points[0], step.points[1]); break;
      case Step::kCurve:
        cairo_curve_to(cr, step.points[0], step.points[1], step.points[2], step.points[3], step.points[4],
                       step.points[5]);
        break;
      case Step::kArc: AppendArc(cr, step.arc); break;
      case Step::kClose: cairo_close_path(cr); break;
    }
  }
}

void PathOutline::Clear() {
  steps_.clear();
  bounds_ = Box{};
}

void PathOutline::Extend(double x, double y) {
  bounds_.x1 = std::min(bounds_.x1, x);
  bounds_.y1 = std::min(bounds_.y1, y);
  bounds_.x2 = std::max(bounds_.x2, x);
  bounds_.y2 = std::max(bounds_.y2, y);
}

void AppendPathGeometry(cairo_t* cr, const Element& geometry, cairo_fill_rule_t* rule, PageBudget& budget) {
  CairoSink sink(cr);
  if (const std::string* fillRule = geometry.Attribute("FillRule"))
    *rule = *fillRule == "NonZero" ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
  cairo_matrix_t saved;
  cairo_get_matrix(cr, &saved);
  std::optional<cairo_matrix_t> transform;
  if (const std::string* text = geometry.Attribute("Transform")) transform = ParseMatrix(*text);
  if (const Element* property = geometry.Child("PathGeometry.Transform"))
    if (const Element* matrix = property->Child("MatrixTransform"))
      if (const std::string* text = matrix->Attribute("Matrix")) transform = ParseMatrix(*text);
  if (transform) cairo_transform(cr, &*transform);
  if (const std::string* figures = geometry.Attribute("Figures")) {
    cairo_fill_rule_t ignored = *rule;
    ParseAbbreviatedGeometry(*figures, &ignored, budget, sink);
  }
  for (const auto& figure : geometry.children) {
    if (figure->LocalName() != "PathFigure") continue;
    Pen pen;
    if (const std::string* start = figure->Attribute("StartPoint"))
      if (const auto point = ParsePoint(*start)) MoveTo(sink, pen, point->first, point->second);
    for (const auto& segment : figure->children) {
      const std::string_view kind = segment->LocalName();
      const std::string* pointsText = segment->Attribute(kind == "ArcSegment" ? "Point" : "Points");
      const std::vector<double> points = pointsText ? ParseNumbers(*pointsText) : std::vector<double>{};
      budget.SpendPoints(points.size() / 2 + 1);
      if (kind == "PolyLineSegment") {
        for (std::size_t i = 0; i + 1 < points.size(); i += 2) LineTo(sink, pen, points[i], points[i + 1]);
      } else if (kind == "PolyBezierSegment") {
        for (std::size_t i = 0; i + 5 < points.size(); i += 6)
          CubicTo(sink, pen, points[i], points[i + 1], points[i + 2], points[i + 3], points[i + 4], points[i + 5]);
      } else if (kind == "PolyQuadraticBezierSegment") {
        for (std::size_t i = 0; i + 3 < points.size(); i += 4)
          QuadTo(sink, pen, points[i], points[i + 1], points[i + 2], points[i + 3]);
      } else if (kind == "ArcSegment" && points.size() == 2) {
        const std::string* size = segment->Attribute("Size");
        const auto radii = size ? ParsePoint(*size) : std::nullopt;
        const std::string* angle = segment->Attribute("RotationAngle");
        const std::string* large = segment->Attribute("IsLargeArc");
        const std::string* sweep = segment->Attribute("SweepDirection");
        if (radii)
          ArcTo(sink, pen, radii->first, radii->second, angle ? ParseNumber(*angle).value_or(0) : 0,
                large && *large == "true", sweep && *sweep == "Clockwise", points[0], points[1]);
      }
    }
    const std::string* closed = figure->Attribute("IsClosed");
    if (closed && *closed == "true") Close(sink, pen);
  }
  cairo_set_matrix(cr, &saved);
}

}  // namespace xpsconv
