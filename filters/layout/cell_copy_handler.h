// Copies a logical page's markup into a sheet as one canvas: the FixedPage
// becomes a Canvas with the cell's transform and clip, carrying the page's
// prefixed namespace declarations (and its default namespace when it is not
// the sheet's); FixedPage.Resources becomes Canvas.Resources; every other
// element is copied with its attributes, every value escaped. Text between
// elements is dropped.
//
// The copy lands in another part than the page: resource references are made
// absolute from the page's part name, and the Name attributes of every cell
// after the sheet's first carry a prefix of their cell, so names stay unique
// on the sheet.
#pragma once

#include <string>
#include <string_view>

#include "framework/markup_handler_base.h"

class CellCopyHandler final : public MarkupHandlerBase {
 public:
  // cellStart: the canvas start tag up to its attributes ("<Canvas RenderTransform=.. Clip=..").
  // cellNumber: the cell's position among the sheet's cells, from 0.
  CellCopyHandler(IPrintWriteStream* stream, std::u16string pageName, std::u16string cellStart, LONG cellNumber);

  HRESULT startElement(const WCHAR* uri, int uriLength, const WCHAR* localName, int localLength, const WCHAR* qName,
                       int qLength, ISAXAttributes* attributes) override;
  HRESULT endElement(const WCHAR* uri, int uriLength, const WCHAR* localName, int localLength, const WCHAR* qName,
                     int qLength) override;

 private:
  HRESULT StartCell(ISAXAttributes* attributes);
  HRESULT StartCopy(std::u16string_view name, ISAXAttributes* attributes);
  std::u16string CopiedValue(std::u16string_view localName, std::u16string_view value) const;

  std::u16string pageName_;
  std::u16string cellStart_;
  std::u16string namePrefix_;  // empty for the sheet's first cell
  bool tagOpen_ = false;
  int depth_ = 0;
  std::u16string markup_;  // reused for each tag
};
