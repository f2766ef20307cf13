// Pad pages: the blank pages that complete a booklet group to a multiple of
// four. A pad page repeats the root element of the group's first page (its
// size and every other root attribute) and has no content.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"
#include "platform/unknown.h"
#include "platform/xps_parts.h"

// The markup of a pad page for a group whose first page is templatePage, as
// UTF-8: read with the XML reader up to the end of the root's start tag.
// The page's read failure or the reader's; HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
// when the root is not a FixedPage.
HRESULT ReadPadPageMarkup(IFixedPage* templatePage, std::string* markup);

// Names "/Pad_page_<tick count>_<serial>.xaml": the serial keeps the names
// of one filter object apart, whatever the clock does.
class PadPageNames {
 public:
  HRESULT Next(std::u16string* name);

 private:
  ULONG serial_ = 0;
};

// A new fixed page part named by names and holding markup; its stream is
// closed whatever happens once the part exists. A name the job already has is
// passed over for the next one, a bounded number of times. E_PENDING without
// a consumer.
HRESULT CreatePadPage(IXpsDocumentConsumer* consumer, std::string_view markup, PadPageNames& names,
                      ComPtr<IFixedPage>* page);
