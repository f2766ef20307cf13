#include "converter/markup/markup_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace xpsconv {

namespace {

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSeparator(text.front()) && text.front() != ',') text.remove_prefix(1);
  while (!text.empty() && IsSeparator(text.back()) && text.back() != ',') text.remove_suffix(1);
  return text;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// scRGB is linear light; the page is drawn in sRGB.
double LinearToSrgb(double v) {
  v = Clamp01(v);
  return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

std::optional<unsigned> Hex(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

void NumberReader::SkipSeparators() {
  while (at_ < text_.size() && IsSeparator(text_[at_])) ++at_;
}

bool NumberReader::AtEnd() {
  SkipSeparators();
  return at_ >= text_.size();
}

std::optional<double> NumberReader::Next() {
  SkipSeparators();
  if (at_ >= text_.size()) return std::nullopt;
  const char* begin = text_.data() + at_;
  const char* end = text_.data() + text_.size();
  if (*begin == '+') ++begin;
  double value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
  at_ = static_cast<std::size_t>(stop - text_.data());
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  NumberReader reader(text);
  const auto value = reader.Next();
  if (!value || !reader.AtEnd()) return std::nullopt;
  return value;
}

std::vector<double> ParseNumbers(std::string_view text) {
  std::vector<double> numbers;
  NumberReader reader(text);
  while (const auto value = reader.Next()) numbers.push_back(*value);
  return numbers;
}

std::optional<cairo_matrix_t> ParseMatrix(std::string_view text) {
  const std::vector<double> n = ParseNumbers(text);
  if (n.size() != 6) return std::nullopt;
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, n[0], n[1], n[2], n[3], n[4], n[5]);
  return matrix;
}

std::optional<std::pair<double, double>> ParsePoint(std::string_view text) {
  const std::vector<double> n = ParseNumbers(text);
  if (n.size() != 2) return std::nullopt;
  return std::pair{n[0], n[1]};
}

std::optional<Rect> ParseRect(std::string_view text) {
  const std::vector<double> n = ParseNumbers(text);
  if (n.size() != 4 || n[2] < 0 || n[3] < 0) return std::nullopt;
  return Rect{n[0], n[1], n[2], n[3]};
}

std::optional<Rgba> ParseColor(std::string_view text) {
  text = Trim(text);
  if (text.starts_with("#")) {
    const std::string_view digits = text.substr(1);
    const auto value = Hex(digits);
    if (!value || (digits.size() != 6 && digits.size() != 8)) return std::nullopt;
    const double a = digits.size() == 8 ? ((*value >> 24) & 0xFF) / 255.0 : 1.0;
    return Rgba{((*value >> 16) & 0xFF) / 255.0, ((*value >> 8) & 0xFF) / 255.0, (*value & 0xFF) / 255.0, a};
  }
  if (text.starts_with("sc#")) {
    const std::vector<double> n = ParseNumbers(text.substr(3));
    if (n.size() == 3) return Rgba{LinearToSrgb(n[0]), LinearToSrgb(n[1]), LinearToSrgb(n[2]), 1};
    if (n.size() == 4) return Rgba{LinearToSrgb(n[1]), LinearToSrgb(n[2]), LinearToSrgb(n[3]), Clamp01(n[0])};
    return std::nullopt;
  }
  if (text.starts_with("ContextColor")) {
    const std::size_t space = text.find(' ', 13);
    if (space == std::string_view::npos) return std::nullopt;
    const std::vector<double> n = ParseNumbers(text.substr(space + 1));
    if (n.size() == 4) return Rgba{Clamp01(n[1]), Clamp01(n[2]), Clamp01(n[3]), Clamp01(n[0])};
    if (n.size() == 5) {  // CMYK without a colour-managed conversion
      const double k = Clamp01(n[4]);
      return Rgba{(1 - Clamp01(n[1])) * (1 - k), (1 - Clamp01(n[2])) * (1 - k), (1 - Clamp01(n[3])) * (1 - k),
                  Clamp01(n[0])};
    }
    if (n.size() == 2) return Rgba{Clamp01(n[1]), Clamp01(n[1]), Clamp01(n[1]), Clamp01(n[0])};
    return std::nullopt;
  }
  return std::nullopt;
}

std::string_view StaticResourceKey(std::string_view text) {
  text = Trim(text);
  constexpr std::string_view kPrefix = "{StaticResource";
  if (!text.starts_with(kPrefix) || !text.ends_with("}")) return {};
  return Trim(text.substr(kPrefix.size(), text.size() - kPrefix.size() - 1));
}

}  // namespace xpsconv
