// Geometry of paths and clips in both syntaxes (the abbreviated "Data"
// string and PathGeometry elements), appended to a cairo context's current
// path in user space.
#pragma once

#include <cairo.h>

#include <limits>
#include <string_view>
#include <vector>

#include "converter/markup/markup_tree.h"
#include "converter/markup/render_failure.h"

namespace xpsconv {

// An elliptical arc about its centre, radii turned by phi (radians), from
// angle start to end.
struct ArcShape {
  double cx = 0, cy = 0, rx = 0, ry = 0, phi = 0, start = 0, end = 0;
  bool clockwise = false;
};

// Where parsed geometry goes, in user space.
class GeometrySink {
 public:
  virtual ~GeometrySink() = default;
  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  virtual void CurveTo(double x1, double y1, double x2, double y2, double x, double y) = 0;
  virtual void Arc(const ArcShape& arc) = 0;
  virtual void Close() = 0;
};

// A path's outline kept to be appended later, with the box around all its
// points (control points and whole arcs included, so it holds the outline).
class PathOutline final : public GeometrySink {
 public:
  struct Box {
    double x1 = std::numeric_limits<double>::infinity(), y1 = x1;
    double x2 = -std::numeric_limits<double>::infinity(), y2 = x2;
    // Whether the two share more than an edge.
    bool Overlaps(const Box& other) const {
      return x1 < other.x2 && other.x1 < x2 && y1 < other.y2 && other.y1 < y2;
    }
  };

  void MoveTo(double x, double y) override { Point(Step::kMove, x, y); }
  void LineTo(double x, double y) override { Point(Step::kLine, x, y); }
  void CurveTo(double x1, double y1, double x2, double y2, double x, double y) override {
    Extend(x1, y1);
    Extend(x2, y2);
    Extend(x, y);
    steps_.push_back(Step{Step::kCurve, {x1, y1, x2, y2, x, y}, {}});
  }
  void Arc(const ArcShape& arc) override;
  void Close() override { steps_.push_back(Step{Step::kClose, {}, {}}); }

  bool Empty() const { return steps_.empty(); }
  const Box& Bounds() const { return bounds_; }
  void AppendTo(cairo_t* cr) const;
  // Empty again, keeping its memory for the next outline.
  void Clear();

 private:
  struct Step {
    enum Kind { kMove, kLine, kCurve, kArc, kClose } kind;
    double points[6];
    ArcShape arc;
  };
  void Point(Step::Kind kind, double x, double y) {
    Extend(x, y);
    steps_.push_back(Step{kind, {x, y}, {}});
  }
  void Extend(double x, double y);

  std::vector<Step> steps_;
  Box bounds_;
};

// The abbreviated syntax; a leading F0 (even-odd, the default) or F1
// (non-zero) sets *rule. Stops at the first command that does not parse,
// keeping what came before.
void ParseAbbreviatedGeometry(std::string_view data, cairo_fill_rule_t* rule, PageBudget& budget, GeometrySink& sink);
void AppendAbbreviatedGeometry(cairo_t* cr, std::string_view data, cairo_fill_rule_t* rule, PageBudget& budget);

// A PathGeometry element: Figures, FillRule, Transform and PathFigure
// children with their segments.
void AppendPathGeometry(cairo_t* cr, const Element& geometry, cairo_fill_rule_t* rule, PageBudget& budget);

}  // namespace xpsconv
