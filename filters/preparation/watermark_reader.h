// The watermark of one page: the ticket's watermark options, the item in
// force for the page's number, and the text or bitmap decoration made from
// them.
#pragma once

#include <memory>

#include "page_decoration.h"
#include "ticket/print_ticket_dom.h"

struct PageWatermark {
  std::unique_ptr<PageDecoration> decoration;  // none when the ticket asks for none
  // The first page of the job and the others get different items: pages may
  // not share one watermark.
  bool variesByPage = false;
};

// pageNumber counts the job's pages from 1. Fails with the reading's failure
// or the decoration's (an unusable font, for example), leaving no decoration.
HRESULT ReadPageWatermark(const PrintTicketDom& ticket, ULONG pageNumber, PageWatermark* watermark);
