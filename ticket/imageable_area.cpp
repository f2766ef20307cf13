#include "ticket/imageable_area.h"

#include <string>

#include "ticket/hresult_error.h"

namespace {

struct AreaItem {
  std::u16string_view name;
  bool inImageableArea;  // a child of the property ImageableArea
  LONG ImageableArea::*field;
};

constexpr AreaItem kItems[] = {
    {u"ImageableSizeWidth", false, &ImageableArea::imageableWidth},
    {u"ImageableSizeHeight", false, &ImageableArea::imageableHeight},
    {u"OriginWidth", true, &ImageableArea::originWidth},
    {u"OriginHeight", true, &ImageableArea::originHeight},
    {u"ExtentWidth", true, &ImageableArea::extentWidth},
    {u"ExtentHeight", true, &ImageableArea::extentHeight},
};

XPathQuery ImageableSizeQuery(const PrintTicketDom& capabilities) {
  XPathQuery query = capabilities.NewQuery();
  ThrowIfFailed(query.AppendProperty(capabilities.KeywordsPrefix(), u"PageImageableSize"));
  return query;
}

}  // namespace

HRESULT ReadImageableArea(const PrintTicketDom& capabilities, ImageableArea& area) {
  return CallReturningHresult([&] {
    HRESULT hr = capabilities.NodeExists(ImageableSizeQuery(capabilities).Text());
    if (FAILED(hr)) return hr;
    for (const AreaItem& item : kItems) {
      XPathQuery query = ImageableSizeQuery(capabilities);
      if (item.inImageableArea) ThrowIfFailed(query.AppendProperty(capabilities.KeywordsPrefix(), u"ImageableArea"));
      ThrowIfFailed(query.AppendProperty(capabilities.KeywordsPrefix(), item.name));
      hr = capabilities.GetValueInt(query.Text(), &(area.*item.field));
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  });
}
