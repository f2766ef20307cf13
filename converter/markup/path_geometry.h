// Geometry of paths and clips in both syntaxes (the abbreviated "Data"
// string and PathGeometry elements), appended to a cairo context's current
// path in user space.
#pragma once

#include <cairo.h>

#include <string_view>

#include "converter/markup/markup_tree.h"
#include "converter/markup/render_failure.h"

namespace xpsconv {

// The abbreviated syntax; a leading F0 (even-odd, the default) or F1
// (non-zero) sets *rule. Stops at the first command that does not parse,
// keeping what came before.
void AppendAbbreviatedGeometry(cairo_t* cr, std::string_view data, cairo_fill_rule_t* rule, PageBudget& budget);

// A PathGeometry element: Figures, FillRule, Transform and PathFigure
// children with their segments.
void AppendPathGeometry(cairo_t* cr, const Element& geometry, cairo_fill_rule_t* rule, PageBudget& budget);

}  // namespace xpsconv
