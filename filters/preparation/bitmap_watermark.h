// A bitmap watermark: the item's image file as a PNG part, filling a path of
// scaling percent of the image's size centred on the item's position, over
// the page content, half transparent unless the overlay is opaque. Never
// turned.
#pragma once

#include <memory>

#include "image_resource.h"
#include "page_decoration.h"
#include "decoration_settings.h"

class BitmapWatermark final : public PageDecoration {
 public:
  // E_INVALIDARG when the options do not describe a bitmap watermark. The file
  // is not read yet: PrepareResources converts it.
  static HRESULT Create(const DecorationSettings& settings, std::unique_ptr<PageDecoration>* watermark);

  // E_PENDING before PrepareResources learnt the image part's URI; the
  // image's failure when its size cannot be had.
  HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) override;

 private:
  explicit BitmapWatermark(const DecorationSettings& settings)
      : options_(settings.watermark),
        item_(settings.watermarkItem),
        image_(std::u16string(settings.watermarkItem.fileName.View())) {}
  ResourceProvider& Provider() override { return image_; }
  const IID& PartInterface() const override { return IID_IPartImage; }

  WatermarkOptions options_;
  WatermarkItem item_;
  ImageResource image_;
};
