// Notices, page by page, that the job's divide condition changes: the order
// and layout filters start a new tray separation set when it does.
#pragma once

#include "platform/bstr.h"
#include "platform/xml_dom.h"

struct DivideConditionWatch {
  Bstr namespaceUri;  // the private keywords namespace used to wrap tickets
  bool changed = false;  // the result of the last observation
  bool seen = false;     // false until the first observation
  Bstr lastDivideCondition;
};

// For a page-scope ticket (scope 0): reads the divide condition from a fresh
// JobInfoSettings and sets changed when it differs (case-sensitively) from
// the previous page's. The first page never reports a change. Other scopes
// only clear changed. Returns the reader's result, or the failure to wrap the
// document (changed then stays false and the page does not count as seen).
HRESULT ObserveDivideCondition(DivideConditionWatch& watch, IXMLDOMDocument2* ticket, INT scope);
