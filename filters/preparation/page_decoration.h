// What the preparation filter draws on a page besides its content (a watermark,
// a header or footer): markup built for the page's size, drawn under or over the
// content inside the scaling canvas, and the resource part (font, image) it
// references, made once per job through the filter's PartResourceCache.
#pragma once

#include <string>

#include "framework/part_resource_cache.h"
#include "framework/resource_provider.h"
#include "page_scaler.h"

class PageDecoration {
 public:
  virtual ~PageDecoration() = default;

  // Builds the markup for a page of that size in the page's own coordinates;
  // imageable is the printable area in XPS units.
  virtual HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) = 0;
  // Attaches the decoration's resource part to the page and learns its URI,
  // which the markup then references.
  HRESULT PrepareResources(IXpsDocumentConsumer* consumer, IFixedPage* page, PartResourceCache* cache);
  // The markup drawn over the content, or (background) the copy drawn under it.
  // E_PENDING before BuildMarkup made it.
  HRESULT GetMarkup(bool background, std::u16string* markup) const;
  virtual bool DrawsUnderContent() const { return false; }
  bool DrawsOverContent() const { return true; }

 protected:
  virtual ResourceProvider& Provider() = 0;
  // IID_IPartFont or IID_IPartImage.
  virtual const IID& PartInterface() const = 0;
  const Bstr& resource_uri() const { return resourceUri_; }
  void SetMarkup(std::u16string foreground, std::u16string background = {});

 private:
  Bstr resourceUri_;
  std::u16string foreground_;
  std::u16string background_;
  bool built_ = false;
};
