// Giving one page's resource parts to another page, as when logical pages are
// placed on a sheet.
#pragma once

#include "platform/xps_parts.h"

// SetPagePart on target for every part of source's part iterator, in order. The
// first failure ends the copy and is returned (parts already given stay given);
// E_POINTER for a NULL page, or a part the iterator reports as NULL.
HRESULT CopyPageResources(IFixedPage* source, IFixedPage* target);
