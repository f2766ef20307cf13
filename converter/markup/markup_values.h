// The value syntaxes of page markup: numbers, points, rectangles, matrices
// and colours. Parsers return nullopt for text that does not parse, so a bad
// value is ignored rather than guessed.
#pragma once

#include <cairo.h>

#include <optional>
#include <string_view>
#include <vector>

namespace xpsconv {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;  // sRGB, 0 to 1, not premultiplied
};

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

// Reads numbers separated by commas and white space.
class NumberReader {
 public:
  explicit NumberReader(std::string_view text) : text_(text) {}
  std::optional<double> Next();
  bool AtEnd();

 private:
  void SkipSeparators();
  std::string_view text_;
  std::size_t at_ = 0;
};

std::optional<double> ParseNumber(std::string_view text);
std::vector<double> ParseNumbers(std::string_view text);
// "m11,m12,m21,m22,dx,dy"
std::optional<cairo_matrix_t> ParseMatrix(std::string_view text);
// "x,y"
std::optional<std::pair<double, double>> ParsePoint(std::string_view text);
// "x,y,width,height"
std::optional<Rect> ParseRect(std::string_view text);
// "#RRGGBB", "#AARRGGBB", "sc#r,g,b", "sc#a,r,g,b", "ContextColor uri a,c1,..."
// (the last approximated from its channels).
std::optional<Rgba> ParseColor(std::string_view text);
// "{StaticResource key}" -> key; empty when the text is not a reference.
std::string_view StaticResourceKey(std::string_view text);

}  // namespace xpsconv
