#include "finisher_geometry.h"

#include <algorithm>
#include <cmath>

#include "platform/format.h"
#include "ticket/hresult_error.h"

namespace {

// The marks stand inside the area by twice their stroke's thickness.
constexpr REAL kMarkStroke = 0.32f;
constexpr REAL kMarkInset = 0.64f;

// Never "-0.00": a value that rounds to zero is written as zero.
double Clean(REAL value) { return std::fabs(value) < 0.005f ? 0.0 : static_cast<double>(value); }

template <typename... Args>
void AppendFormatted(std::u16string& text, LPCWSTR format, const Args&... args) {
  const Formatted<std::u16string> formatted = FormatWide(format, args...);
  ThrowIfFailed(formatted.hr);
  text += formatted.text;
}

}  // namespace

void AppendDecimals(std::u16string& text, std::initializer_list<REAL> numbers) {
  bool first = true;
  for (const REAL number : numbers) {
    if (!first) text += u',';
    first = false;
    AppendFormatted(text, u"%.2f", Clean(number));
  }
}

std::optional<PageTransform> ContentTransform(TransverseFeed transverse, MirrorCode mirror, REAL w, REAL h) {
  if (transverse == TransverseFeed::TurnPage) {
    switch (mirror) {
      case MirrorCode::None: return PageTransform{0, 1, -1, 0, h, 0};
      case MirrorCode::AcrossWidth: return PageTransform{0, -1, -1, 0, h, w};
      case MirrorCode::AcrossHeight: return PageTransform{0, 1, 1, 0, 0, 0};
      case MirrorCode::Both: return PageTransform{0, -1, 1, 0, 0, w};
    }
    return std::nullopt;
  }
  switch (mirror) {
    case MirrorCode::None: return std::nullopt;
    case MirrorCode::AcrossWidth: return PageTransform{-1, 0, 0, 1, w, 0};
    case MirrorCode::AcrossHeight: return PageTransform{1, 0, 0, -1, 0, h};
    case MirrorCode::Both: return PageTransform{-1, 0, 0, -1, w, h};
  }
  return std::nullopt;
}

PageBox TransformBox(const PageTransform& t, const PageBox& box) {
  const auto x = [&](REAL px, REAL py) { return t.m11 * px + t.m21 * py + t.dx; };
  const auto y = [&](REAL px, REAL py) { return t.m12 * px + t.m22 * py + t.dy; };
  const REAL right = box.x + box.width;
  const REAL bottom = box.y + box.height;
  // The transforms only turn and mirror, so two opposite corners span the box.
  const REAL x1 = x(box.x, box.y), x2 = x(right, bottom);
  const REAL y1 = y(box.x, box.y), y2 = y(right, bottom);
  return {std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1)};
}

void BuildRenderTransform(const PageTransform& t, std::u16string& text) {
  AppendFormatted(text, u"\"%d,%d,%d,%d,", static_cast<int>(t.m11), static_cast<int>(t.m12), static_cast<int>(t.m21),
                  static_cast<int>(t.m22));
  // An offset of zero is written "0", as the factors are.
  const auto appendOffset = [&text](REAL offset) {
    if (Clean(offset) == 0)
      text += u'0';
    else
      AppendDecimals(text, {offset});
  };
  appendOffset(t.dx);
  text += u',';
  appendOffset(t.dy);
  text += u'"';
}

void BuildClipCanvas(const std::optional<PageBox>& printable, std::u16string& text) {
  if (!printable) {
    text += u"<Canvas>";
    return;
  }
  const PageBox& a = *printable;
  AppendFormatted(text, u"<Canvas Clip=\"M %.2f,%.2f h %.2f v %.2f h -%.2f v -%.2f z\" >", Clean(a.x), Clean(a.y),
                  Clean(a.width), Clean(a.height), Clean(a.width), Clean(a.height));
}

void BuildCutOutLines(const PageBox& area, std::u16string& text) {
  const REAL left = area.x + kMarkInset;
  const REAL top = area.y + kMarkInset;
  const REAL innerWidth = area.width - 2 * kMarkInset;
  const REAL innerHeight = area.height - 2 * kMarkInset;
  const REAL right = left + innerWidth;
  const REAL bottom = top + innerHeight;
  const REAL dx = innerWidth / 15;
  const REAL dy = innerHeight / 15;
  const REAL middleX = innerWidth * 0.5f + left - dx * 0.5f;
  const REAL middleY = innerHeight * 0.5f + top - dy * 0.5f;
  struct Mark {
    char16_t direction;
    REAL x, y, length;
  };
  const Mark marks[] = {
      {u'v', left, top, dy},        {u'h', left, top, dx},        {u'v', right, top, dy},
      {u'h', right, top, -dx},      {u'v', left, bottom, -dy},    {u'h', left, bottom, dx},
      {u'v', right, bottom, -dy},   {u'h', right, bottom, -dx},   {u'v', left, middleY, dy},
      {u'v', right, middleY, dy},   {u'h', middleX, top, dx},     {u'h', middleX, bottom, dx},
  };
  AppendFormatted(text, u"<Path Stroke=\"#000000\" StrokeThickness=\"%.2f\" Data=\"", static_cast<double>(kMarkStroke));
  for (const Mark& mark : marks) {
    AppendFormatted(text, u"M %.2f,%.2f ", Clean(mark.x), Clean(mark.y));
    text += mark.direction;
    AppendFormatted(text, u" %.2f ", Clean(mark.length));
  }
  text += u"\" />";
}
