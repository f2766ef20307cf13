// The order filter: puts the pages of a booklet job into booklet order. When
// the ticket in force asks for a booklet binding, pages are held back (by
// reference) until their group ends, the group is completed to a multiple of
// four with pad pages, and its pages are sent in the order the sheets of a
// booklet carry them. Without a booklet every part passes through unchanged.
//
// A group ends with the job, with a document (unless the job-scope binding
// makes one booklet of all documents), when the divide condition changes from
// one page to the next, and after every set of the chosen number of sheets
// when the booklet is divided into sets.
#pragma once

#include <vector>

#include "framework/xps_filter_base.h"
#include "order_settings.h"
#include "pad_page.h"
#include "ticket/divide_condition_watch.h"

class OrderFilter final : public XpsFilterBase {
 public:
  // Throws HResultError(E_OUTOFMEMORY).
  OrderFilter();

 protected:
  HRESULT ProcessFixedPage(IFixedPage* page) override;
  HRESULT ProcessFixedDocument(IFixedDocument* document) override;
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override;
  HRESULT FinishParts() override;

 private:
  // The ticket in force for the page (borrowed from the ticket manager).
  HRESULT PageTicket(IFixedPage* page, IXMLDOMDocument2** ticket);
  // The watch's observation of a page ticket.
  HRESULT ObservePageTicket(IXMLDOMDocument2* ticket);
  // Pads, orders and sends the pending pages. When a pad page cannot be
  // made the pages stay pending; otherwise they are released, sent or not.
  HRESULT FlushPages();
  HRESULT AddPadPages();
  // The first count pages of the group in booklet order.
  HRESULT SendGroup(std::size_t count);
  void HoldPage(IFixedPage* page, IXMLDOMDocument2* ticket);
  // A full set of sheets is pending (DivideIntoSets).
  bool SetIsComplete() const;

  std::vector<ComPtr<IFixedPage>> pendingPages_;
  // The ticket in force for the group's first page; its pad pages carry it.
  ComPtr<IXMLDOMDocument2> groupTicket_;
  // Cleared once a whole-job booklet has sent its one fixed document.
  bool sendDocuments_ = true;
  OrderSettings settings_;
  DivideConditionWatch watch_;
  // The page ticket the watch read last.
  ComPtr<IXMLDOMDocument2> observedTicket_;
  PadPageNames padNames_;
};
