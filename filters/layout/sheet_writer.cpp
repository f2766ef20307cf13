#include "sheet_writer.h"

#include <string>

#include "cell_copy_handler.h"
#include "copied_markup.h"
#include "framework/fresh_part.h"
#include "framework/geometry_text.h"
#include "framework/markup_parse.h"
#include "framework/markup_write.h"
#include "framework/page_resources.h"
#include "page_rewrite_handler.h"
#include "platform/com.h"
#include "platform/format.h"
#include "ticket/hresult_error.h"

namespace {

std::u16string Formatted16(Formatted<std::u16string> formatted) {
  ThrowIfFailed(formatted.hr);
  return std::move(formatted.text);
}

std::u16string View(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

std::u16string PageStart(const ImageableArea& area) {
  return Formatted16(FormatWide(
      u"<?xml version=\"1.0\" encoding=\"utf-8\"?><FixedPage Width=\"%.2f\" "
      u"Height=\"%.2f\" xml:lang=\"en-US\" xmlns=\"%s\">",
      ToXpsUnits(area.imageableWidth), ToXpsUnits(area.imageableHeight), std::u16string_view(kFixedPageNamespace)));
}

HRESULT WriteMarkup(IPrintWriteStream* stream, std::u16string_view markup) {
  MarkupBuffer buffer;
  buffer.Assign(markup);
  return WriteText(buffer, stream);
}

HRESULT NewPage(IXpsDocumentConsumer* consumer, SidePartNames& names, bool blank, ComPtr<IFixedPage>* page,
                ComPtr<IPrintWriteStream>* stream) {
  const HRESULT hr = NewPartUnderFreshName(
      consumer,
      [&](std::u16string* name) {
        *name = names.Next(blank);
        return S_OK;
      },
      IID_IFixedPage, page->PutVoid(), stream);
  if (FAILED(hr)) return hr;
  return *page && *stream ? S_OK : E_FAIL;
}

std::u16string BorderPath(const BorderSet& borders) {
  std::u16string path =
      borders.style == BorderLine::SolidLine
          ? Formatted16(FormatWide(u"<Path Stroke=\"#000000\" StrokeThickness=\"%.2f\" ", borders.thickness))
          : Formatted16(FormatWide(u"<Path Stroke=\"#000000\" StrokeDashArray=\"%.2f %.2f\" StrokeThickness=\"%.2f\" ",
                                   borders.dash, borders.dash, borders.thickness));
  std::u16string data;
  for (const auto& [x0, y, x1] : borders.horizontal) data += Formatted16(FormatWide(u"M %.2f,%.2f H %.2f ", x0, y, x1));
  for (const auto& [x, y0, y1] : borders.vertical) data += Formatted16(FormatWide(u"M %.2f,%.2f V %.2f ", x, y0, y1));
  return path + u"Data=\"" + data + u"\" />";
}

}  // namespace

std::u16string SidePartNames::Next(bool blank) {
  const DWORD tick = GetTickCount();
  last_ = started_ && tick <= last_ ? last_ + 1 : tick;
  started_ = true;
  return Formatted16(FormatWide(blank ? u"/LO_Empty_%u.xml" : u"/LO_NUpPage_%u.xml", last_));
}

HRESULT CreateSheet(IXpsDocumentConsumer* consumer, const ImageableArea& area, const Transform& side,
                    SidePartNames& names, SheetWriter* sheet) {
  if (!sheet) return E_POINTER;
  if (!consumer) return E_PENDING;
  return CallReturningHresult([&] {
    *sheet = SheetWriter{};
    HRESULT hr = NewPage(consumer, names, false, &sheet->page, &sheet->stream);
    if (FAILED(hr)) return hr;
    std::u16string markup = PageStart(area);
    if (!side.IsIdentity()) {
      const auto e = side.Elements();
      const REAL w = ToXpsUnits(area.imageableWidth), h = ToXpsUnits(area.imageableHeight);
      markup +=
          Formatted16(FormatWide(u"<Canvas RenderTransform=\"%.2f,%.2f,%.2f,%.2f,%.2f,%.2f\" "
                                 u"Clip=\"M 0,0 L %.2f,0 L %.2f,%.2f L 0, %.2f Z\">",
                                 e[0], e[1], e[2], e[3], e[4], e[5], w, w, h, h));
      sheet->outerCanvas = true;
    }
    return WriteMarkup(sheet->stream.Get(), markup);
  });
}

HRESULT CreateBlankSide(IXpsDocumentConsumer* consumer, const ImageableArea& area, SidePartNames& names,
                        ComPtr<IFixedPage>* page) {
  if (!page) return E_POINTER;
  if (!consumer) return E_PENDING;
  return CallReturningHresult([&] {
    ComPtr<IFixedPage> made;
    ComPtr<IPrintWriteStream> stream;
    HRESULT hr = NewPage(consumer, names, true, &made, &stream);
    if (FAILED(hr)) return hr;
    hr = WriteMarkup(stream.Get(), PageStart(area) + u"</FixedPage>");
    stream->Close();
    if (FAILED(hr)) return hr;
    *page = std::move(made);
    return S_OK;
  });
}

HRESULT CopyPageIntoSheet(IFixedPage* page, SheetWriter& sheet, const Transform& cell, const ClipRect& clip) {
  if (!page || !sheet.page || !sheet.stream) return E_POINTER;
  return CallReturningHresult([&] {
    Bstr pageName;
    HRESULT hr = page->GetUri(pageName.Put());
    if (FAILED(hr)) return hr;
    const std::u16string cellStart = u"<Canvas RenderTransform=\"" + View(FormatMatrix(cell.matrix()).Get()) +
                                     u"\" Clip=\"" + View(FormatRectPath(clip.x0, clip.y0, clip.x1, clip.y1).Get()) +
                                     u"\"";
    const ComPtr<CellCopyHandler> handler = ComPtr<CellCopyHandler>::Attach(
        new CellCopyHandler(sheet.stream.Get(), View(pageName.Get()), cellStart, sheet.cellsCopied));
    ComPtr<IPrintReadStream> markup;
    hr = page->GetStream(markup.Put());
    if (FAILED(hr)) return hr;
    hr = ParseMarkup(markup.Get(), handler.Get());
    const HRESULT flushed = handler->Flush();
    if (FAILED(hr)) return hr;
    if (FAILED(flushed)) return flushed;
    ++sheet.cellsCopied;
    return CopyPageResources(page, sheet.page.Get(), &sheet.resources);
  });
}

HRESULT CloseSheet(SheetWriter& sheet) {
  if (!sheet.stream) return S_OK;
  return CallReturningHresult([&] {
    std::u16string markup;
    if (sheet.borders.HasLines()) markup += BorderPath(sheet.borders);
    markup += sheet.outerCanvas ? u"</Canvas></FixedPage>" : u"</FixedPage>";
    const HRESULT hr = WriteMarkup(sheet.stream.Get(), markup);
    sheet.stream->Close();
    sheet.stream = nullptr;
    return hr;
  });
}

HRESULT RewritePage(IFixedPage* page, const Transform& side) {
  if (!page) return E_POINTER;
  return CallReturningHresult([&] {
    const std::u16string transform = View(FormatMatrix(side.matrix()).Get());
    // The markup is read from the content the page has before it is replaced.
    ComPtr<IPrintReadStream> markup;
    HRESULT hr = page->GetStream(markup.Put());
    if (FAILED(hr)) return hr;
    ComPtr<IPrintWriteStream> stream;
    hr = page->GetWriteStream(stream.Put());
    if (FAILED(hr)) return hr;
    if (!stream) return E_FAIL;
    const ComPtr<PageRewriteHandler> handler =
        ComPtr<PageRewriteHandler>::Attach(new PageRewriteHandler(stream.Get(), transform));
    hr = ParseMarkup(markup.Get(), handler.Get());
    const HRESULT flushed = handler->Flush();
    stream->Close();
    return FAILED(hr) ? hr : flushed;
  });
}
