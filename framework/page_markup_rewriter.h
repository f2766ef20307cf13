// The streaming re-emitter of a fixed page's markup: every element and
// attribute as the reader delivers it, with every attribute value escaped
// again, empty elements in the short form, character data dropped (a fixed
// page has none that renders). A derived rewriter changes the FixedPage
// element's attributes and adds markup right inside its start and end tags;
// the page's resources, which must stay the first child, are then moved into a
// canvas of their own ("FixedPage.Resources" becomes "Canvas.Resources"), so
// that the added markup may come first.
//
// Nothing here is particular to one filter: any filter that wraps page content
// in canvases of its own derives from it. A rewriter that always opens a canvas
// of its own right inside the FixedPage start tag may have the resources stay
// its first child instead (ResourcesCanvas::kContentCanvas).
#pragma once

#include <string>
#include <string_view>

#include "framework/markup_handler_base.h"

class PageMarkupRewriter : public MarkupHandlerBase {
 public:
  HRESULT startDocument() override;
  HRESULT startElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName,
                       const WCHAR* qName, int cchQName, ISAXAttributes* attributes) override;
  HRESULT endElement(const WCHAR* nsUri, int cchNsUri, const WCHAR* localName, int cchLocalName, const WCHAR* qName,
                     int cchQName) override;

 protected:
  // Where "Canvas.Resources" stands: in a canvas of its own, or as the first
  // child of the canvas the rewriter opens in OpenPageContent.
  enum class ResourcesCanvas { kOwnCanvas, kContentCanvas };

  explicit PageMarkupRewriter(IPrintWriteStream* stream, ResourcesCanvas resources = ResourcesCanvas::kOwnCanvas)
      : MarkupHandlerBase(stream), resourcesCanvas_(resources) {}

  // Each attribute of the FixedPage element: append it to tag (see
  // AppendAttribute), change it, or drop it. May throw HResultError.
  virtual void RewritePageAttribute(std::u16string_view name, std::u16string_view value, std::u16string& tag) = 0;
  // Attributes of the rewriter's own at the end of the FixedPage start tag,
  // once all its attributes were seen. May throw HResultError.
  virtual void AppendPageAttributes(std::u16string& /*tag*/) {}
  // Markup right after the FixedPage start tag and right before its end tag.
  // May throw HResultError.
  virtual void OpenPageContent(std::u16string& markup) = 0;
  virtual void ClosePageContent(std::u16string& markup) = 0;

  // Appends ` name="value"` with the value escaped, so that a reader gets back
  // exactly the value given.
  static void AppendAttribute(std::u16string& tag, std::u16string_view name, std::u16string_view value);

 private:
  void StartElement(std::u16string_view name, ISAXAttributes* attributes);
  void EndElement(std::u16string_view name);

  // Reused for every tag, so that a page costs no allocation per element.
  std::u16string markup_;
  ResourcesCanvas resourcesCanvas_;
  bool startTagOpen_ = false;
  bool resourcesWrapped_ = false;
};
