// Output sides the layout filter makes: composed sheets that hold the content
// of one or more logical pages, blank sides, and their part names.
#pragma once

#include <set>
#include <string>

#include "nup_geometry.h"
#include "platform/xps_parts.h"
#include "transform.h"

// The XPS FixedPage namespace the sheets are written in.
inline constexpr char16_t kFixedPageNamespace[] = u"http://schemas.microsoft.com/xps/2005/06";

// Names "/LO_NUpPage_<n>.xml" and "/LO_Empty_<n>.xml": n starts at the tick
// count and only grows within a filter object, so its names never repeat
// whatever the clock does.
class SidePartNames {
 public:
  std::u16string Next(bool blank);

 private:
  DWORD last_ = 0;
  bool started_ = false;
};

// A composed sheet while it is being filled.
struct SheetWriter {
  ComPtr<IFixedPage> page;
  ComPtr<IPrintWriteStream> stream;  // open until the sheet is closed
  bool outerCanvas = false;          // the content is wrapped in the side's shift
  BorderSet borders;
  LONG cellsCopied = 0;
  std::set<std::u16string> resources;  // part names attached to the sheet
};

// A new sheet part of the size of area, its content shifted by side unless
// that is the identity. A name the job already has is passed over for the
// next one, a bounded number of times. E_PENDING without a consumer.
HRESULT CreateSheet(IXpsDocumentConsumer* consumer, const ImageableArea& area, const Transform& side,
                    SidePartNames& names, SheetWriter* sheet);

// A complete FixedPage of the size of area without content.
HRESULT CreateBlankSide(IXpsDocumentConsumer* consumer, const ImageableArea& area, SidePartNames& names,
                        ComPtr<IFixedPage>* page);

// The logical page's content as one canvas of the sheet, placed by cell and
// clipped to clip (page units): see CellCopyHandler. Then every resource part
// of the page not yet on the sheet is attached to it.
HRESULT CopyPageIntoSheet(IFixedPage* page, SheetWriter& sheet, const Transform& cell, const ClipRect& clip);

// Draws the borders, ends the markup and closes the stream. Nothing happens
// to a sheet without a stream.
HRESULT CloseSheet(SheetWriter& sheet);

// The page's own markup rewritten with its content shifted by side
// (PageRewriteHandler).
HRESULT RewritePage(IFixedPage* page, const Transform& side);
