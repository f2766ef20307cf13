#include "page_scaler.h"

#include <algorithm>
#include <cmath>

#include "ticket/hresult_error.h"
#include "platform/format.h"

namespace {

constexpr REAL kMicronsPerUnit = 264.58f;

REAL Units(LONG microns) { return static_cast<REAL>(microns) / kMicronsPerUnit; }

bool Usable(REAL size) { return std::isfinite(size) && size > 0; }

PageBox ImageableBox(const ImageableArea& area) {
  return {Units(area.originWidth), Units(area.originHeight), Units(area.extentWidth), Units(area.extentHeight)};
}

bool IsLandscape(Orientation orientation) {
  return orientation == Orientation::Landscape || orientation == Orientation::ReverseLandscape;
}

// A value that prints as zero at the given precision prints as "0", never "-0".
double Clean(REAL value, double precision) { return std::fabs(value) < precision ? 0.0 : static_cast<double>(value); }

std::u16string TextOf(const Formatted<std::u16string>& formatted) {
  ThrowIfFailed(formatted.hr);
  return formatted.text;
}

std::u16string TransformText(const ScaleOffset& t) {
  const double s = Clean(t.scale, 5e-7);
  return TextOf(FormatWide(u"%.6f,%.6f,%.6f,%.6f,%.2f,%.2f", s, 0.0, 0.0, s, Clean(t.x, 0.005), Clean(t.y, 0.005)));
}

bool Finite(const ScaleOffset& t) { return std::isfinite(t.scale) && std::isfinite(t.x) && std::isfinite(t.y); }

PageBox WholePage(REAL width, REAL height) { return {0, 0, width, height}; }

PageBox UsableBox(PageBox box, REAL width, REAL height) {
  const bool zero = box.x == 0 && box.y == 0 && box.width == 0 && box.height == 0;
  const bool finite = std::isfinite(box.x) && std::isfinite(box.y) && Usable(box.width) && Usable(box.height) &&
                      std::isfinite(box.x + box.width) && std::isfinite(box.y + box.height);
  return zero || !finite ? WholePage(width, height) : box;
}

}  // namespace

PageScaler::PageScaler(const ScalingSettings& settings, const MediaSizeSettings& media, const ImageableArea& before,
                       const ImageableArea& after)
    : settings_(settings), before_(ImageableBox(before)), after_(ImageableBox(after)) {
  // The orientation is the page media's, also for the fit paper.
  const MediaSizeSettings& paper = settings.mode == ScalingMode::FitToPaper ? settings.targetPaper : media;
  paperWidth_ = Units(paper.width);
  paperHeight_ = Units(paper.height);
  if (IsLandscape(media.orientation)) std::swap(paperWidth_, paperHeight_);
}

void PageScaler::SetPageGeometry(REAL width, REAL height, PageBox bleed, PageBox content) {
  pageWidth_ = width;
  pageHeight_ = height;
  bleed_ = UsableBox(bleed, width, height);
  content_ = UsableBox(content, width, height);
}

std::optional<std::u16string> PageScaler::PageWidthText() const {
  if (!Usable(paperWidth_) || !Usable(paperHeight_)) return std::nullopt;
  return TextOf(FormatWide(u"%.2f", static_cast<double>(paperWidth_)));
}

std::optional<std::u16string> PageScaler::PageHeightText() const {
  if (!Usable(paperWidth_) || !Usable(paperHeight_)) return std::nullopt;
  return TextOf(FormatWide(u"%.2f", static_cast<double>(paperHeight_)));
}

bool PageScaler::HasOuterCanvas() const {
  return settings_.mode == ScalingMode::FitApplicationBleedSizeToPageImageableSize ||
         settings_.mode == ScalingMode::FitApplicationContentSizeToPageImageableSize;
}

std::optional<ScaleOffset> PageScaler::AlignedFit(REAL sourceWidth, REAL sourceHeight, REAL targetWidth,
                                                  REAL targetHeight) const {
  if (!Usable(sourceWidth) || !Usable(sourceHeight) || !Usable(targetWidth) || !Usable(targetHeight))
    return std::nullopt;
  const REAL rx = targetWidth / sourceWidth;
  const REAL ry = targetHeight / sourceHeight;
  ScaleOffset fit;
  REAL dx = 0;
  REAL dy = 0;
  if (rx > ry) {
    fit.scale = ry;
    dx = targetWidth - sourceWidth * fit.scale;
  } else {
    fit.scale = rx;
    dy = targetHeight - sourceHeight * fit.scale;
  }
  // Horizontal by the name's "Left", "Right" or centre, vertical by "Top", "Bottom" or centre.
  const std::u16string_view name = Name(settings_.alignment).value_or(*Name(ScaleAlignment::Center));
  fit.x = name.ends_with(u"Left") ? 0 : name.ends_with(u"Right") ? dx : dx / 2;
  fit.y = name.starts_with(u"Top") ? 0 : name.starts_with(u"Bottom") ? dy : dy / 2;
  return fit;
}

std::optional<ScaleOffset> PageScaler::OuterTransform() const {
  if (!HasOuterCanvas()) return std::nullopt;
  const PageBox& box = settings_.mode == ScalingMode::FitApplicationBleedSizeToPageImageableSize ? bleed_ : content_;
  std::optional<ScaleOffset> fit = AlignedFit(box.width, box.height, after_.width, after_.height);
  if (!fit) return ScaleOffset{};
  fit->x += after_.x;
  fit->y += after_.y;
  return Finite(*fit) ? *fit : ScaleOffset{};
}

ScaleOffset PageScaler::ContentTransform() const {
  std::optional<ScaleOffset> t;
  switch (settings_.mode) {
    case ScalingMode::FitToPaper:
      if (const auto fit = AlignedFit(before_.width, before_.height, after_.width, after_.height))
        t = ScaleOffset{fit->scale, after_.x - before_.x * fit->scale, after_.y - before_.y * fit->scale};
      break;
    case ScalingMode::CustomSquare:
      if (settings_.scale > 0) {
        const REAL s = static_cast<REAL>(settings_.scale) / 100;
        t = ScaleOffset{s, Units(settings_.offsetWidth) + after_.x - before_.x * s,
                        Units(settings_.offsetHeight) + after_.y - before_.y * s};
      }
      break;
    case ScalingMode::FitApplicationBleedSizeToPageImageableSize:
      t = ScaleOffset{1, -bleed_.x, -bleed_.y};
      break;
    case ScalingMode::FitApplicationContentSizeToPageImageableSize:
      t = ScaleOffset{1, -content_.x, -content_.y};
      break;
    case ScalingMode::FitApplicationMediaSizeToPageImageableSize:
      if ((t = AlignedFit(pageWidth_, pageHeight_, after_.width, after_.height))) {
        t->x += after_.x;
        t->y += after_.y;
      }
      break;
    case ScalingMode::FitApplicationMediaSizeToPageMediaSize:
      t = AlignedFit(pageWidth_, pageHeight_, paperWidth_, paperHeight_);
      break;
    case ScalingMode::None:
    default:
      break;
  }
  return t && Finite(*t) ? *t : ScaleOffset{};
}

std::u16string PageScaler::OpeningMarkup() const {
  std::u16string markup;
  if (const std::optional<ScaleOffset> outer = OuterTransform())
    markup = u"<Canvas RenderTransform=\"" + TransformText(*outer) + u"\">";
  markup += u"<Canvas RenderTransform=\"" + TransformText(ContentTransform()) + u"\"";
  // A page without a usable size has nothing to clip to.
  if (Usable(content_.width) && Usable(content_.height)) {
    const double x1 = content_.x;
    const double y1 = content_.y;
    const double x2 = content_.x + content_.width;
    const double y2 = content_.y + content_.height;
    markup += TextOf(FormatWide(u" Clip=\"M %.2f,%.2f L %.2f,%.2f %.2f,%.2f %.2f,%.2f z\"", x1, y1, x2, y1, x2,
                                   y2, x1, y2));
  }
  markup += u">";
  return markup;
}

std::u16string_view PageScaler::ClosingMarkup() const {
  return HasOuterCanvas() ? u"</Canvas>\n</Canvas>\n" : u"</Canvas>\n";
}
