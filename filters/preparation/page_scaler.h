// The geometry of one scaled page: the FixedPage size the page gets (the
// paper in its orientation) and the canvases that carry the content onto it
// in each scaling mode.
//
// Every fit divides by a size the ticket, the printer or the page gave; a
// size that is zero, negative or not finite leaves the page unscaled (the
// identity transform), so no "inf" or "nan" ever reaches the markup.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/page_box.h"
#include "platform/gdiplus_matrix.h"
#include "scaling_settings.h"
#include "ticket/imageable_area.h"
#include "ticket/media_size_settings.h"

// Scale and offset of a canvas: m11 = m22 = scale, offsets dx, dy.
struct ScaleOffset {
  REAL scale = 1;
  REAL x = 0;
  REAL y = 0;
};

class PageScaler {
 public:
  // media is the page media as the ticket had it before any change; before
  // and after the printable area of the ticket before and after the paper
  // change of FitToPaper (the same record in every other mode).
  PageScaler(const ScalingSettings& settings, const MediaSizeSettings& media, const ImageableArea& before,
             const ImageableArea& after);

  // The incoming page's size and boxes. A box that is all zeros, or that is
  // not a finite rectangle of positive size, stands for the whole page.
  void SetPageGeometry(REAL width, REAL height, PageBox bleed, PageBox content);

  // The paper width and height ("%.2f"); nullopt when the paper has no usable
  // size, in which case the page keeps its own.
  std::optional<std::u16string> PageWidthText() const;
  std::optional<std::u16string> PageHeightText() const;

  // The canvases opened right after the FixedPage start tag, and the text that
  // closes them right before its end tag. Throw HResultError.
  std::u16string OpeningMarkup() const;
  std::u16string_view ClosingMarkup() const;

  // The transform of the outer canvas (modes 3 and 4 only) and of the content canvas.
  std::optional<ScaleOffset> OuterTransform() const;
  ScaleOffset ContentTransform() const;

  const ScalingSettings& settings() const { return settings_; }

 private:
  bool HasOuterCanvas() const;
  // A fit of source into target aligned by the settings' alignment, the
  // offsets relative to the target's origin; nullopt for unusable sizes.
  std::optional<ScaleOffset> AlignedFit(REAL sourceWidth, REAL sourceHeight, REAL targetWidth,
                                        REAL targetHeight) const;

  ScalingSettings settings_;
  // Paper (oriented), printable area before and after, in XPS units.
  REAL paperWidth_ = 0;
  REAL paperHeight_ = 0;
  PageBox before_;
  PageBox after_;
  REAL pageWidth_ = 0;
  REAL pageHeight_ = 0;
  PageBox bleed_;
  PageBox content_;
};
