// One page printed over several sheets: the keywords feature PagePoster with
// SheetsPerPage, its private sub-feature PagePrintCutOutLine and the private
// property PagePosterData. Read only: no filter writes a poster.
#pragma once

#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

struct PosterSettings {
  LONG sheetsPerPage = 0;  // 0: no poster
  BYTE hideFlag = 0;       // the low byte of HideFlag
  OffOn cutOutLine = OffOn::Off;
};

// The result is that of reading PagePosterData (S_OK when it is absent);
// failures reading the feature are not returned.
HRESULT ReadPoster(const PrintTicketDom& ticket, PosterSettings& settings);
