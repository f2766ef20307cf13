// What the preparation filter does under one ticket (the job's, a document's,
// a page's): the page scaler and the decorations, and whether there is
// anything to do at all.
#pragma once

#include <memory>
#include <optional>

#include "framework/part_resource_cache.h"
#include "framework/print_ticket_manager.h"
#include "decoration_settings.h"
#include "header_footer.h"
#include "page_decoration.h"
#include "page_scaler.h"

class ScopeSettings {
 public:
  ScopeSettings(PrintTicketManager& manager, std::u16string_view privateNamespace,
                IPrintPipelinePropertyBag* properties);

  // Builds the page's decorations from the ticket (before ReadScopeSettings
  // rewrites it): the header/footer with the job's printer, user and print
  // time and the printable area. A decoration that cannot be made is absent;
  // the first failure is returned (an absent item is no failure).
  HRESULT ReadDecorations(IXMLDOMDocument2* ticket, ULONG pageNumber);
  // The job's last header/footer line, which ReadDecorations takes when the
  // page asks for the same one and replaces when it asks for another.
  void ShareHeaderFooterLine(std::shared_ptr<HeaderFooterLine>* line) { sharedLine_ = line; }

  // Reads the scaling request and the page media, builds the scaler, and
  // rewrites the ticket so that it asks for no further scaling (and, to fit
  // to paper, names the new paper). changed is set whenever the ticket was
  // rewritten, also when a later step failed. Reading failures leave the
  // ticket as it was and no scaler.
  HRESULT ReadScopeSettings(IXMLDOMDocument2* ticket, bool* changed);

  // Attaches each decoration's resource part to the page; a decoration whose
  // part cannot be had is dropped for this page. Returns the last call's
  // success code; E_POINTER for NULL arguments.
  HRESULT PrepareDecorationResources(IXpsDocumentConsumer* consumer, IFixedPage* page, PartResourceCache* cache);

  // Something to do: a decoration, or a scaler with a mode or asked to
  // correct the page size.
  bool IsActive() const;
  // The scaler alone asks for something to do (what a job's or a document's
  // own ticket is rewritten for).
  bool ScalesPages() const;

  PageScaler* scaler() const { return scaler_.get(); }
  PageDecoration* watermark() const { return watermark_.get(); }
  PageDecoration* header_footer() const { return headerFooter_.get(); }
  const PageBox& imageable_area() const { return imageableArea_; }

  // For the decorations' readers and the tests.
  void SetWatermark(std::unique_ptr<PageDecoration> decoration) { watermark_ = std::move(decoration); }
  void SetHeaderFooter(std::unique_ptr<PageDecoration> decoration) { headerFooter_ = std::move(decoration); }

 private:
  HRESULT ReadImageable(IXMLDOMDocument2* ticket, ImageableArea& area);
  HRESULT ReadHeaderFooter(IXMLDOMDocument2* ticket);
  // The job's submission time in local time when the spooler knows it, else now.
  SYSTEMTIME PrintTime(HANDLE printer) const;

  PrintTicketManager& manager_;
  std::u16string privateNamespace_;
  ComPtr<IPrintPipelinePropertyBag> properties_;
  std::shared_ptr<HeaderFooterLine>* sharedLine_ = nullptr;
  std::unique_ptr<PageScaler> scaler_;
  std::unique_ptr<PageDecoration> watermark_;
  std::unique_ptr<PageDecoration> headerFooter_;
  PageBox imageableArea_;
};
