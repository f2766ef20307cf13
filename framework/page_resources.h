// Giving one page's resource parts to another page, as when logical pages are
// placed on a sheet.
#pragma once

#include <set>
#include <string>

#include "platform/xps_parts.h"

// SetPagePart on target for every part of source's part iterator, in order. The
// first failure ends the copy and is returned (parts already given stay given);
// E_POINTER for a NULL page, or a part the iterator reports as NULL. With
// `given`, a part whose name is in it is passed over and every part given is
// added to it, so a part several pages share (a font) is given once.
HRESULT CopyPageResources(IFixedPage* source, IFixedPage* target, std::set<std::u16string>* given = nullptr);
