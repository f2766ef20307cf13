// The line a header/footer prints: the print date and time in the ticket's
// formats, then the ID (the user's name or a custom text), joined by blanks.
//
// A format is a printf-style format from the ticket, applied with the project's
// checked formatter to up to four typed arguments chosen by the letters of its
// data format (date: d m y M W w, "y+N"/"y-N" shifting the year; time:
// h H m s A a). Month, weekday and AM/PM names are string resources of the
// driver's language module, found next to the driver's configuration module
// ("LangDllName64") from the first numbers given by "DataTimeID".
#pragma once

#include <string>

#include "decoration_settings.h"

// E_POINTER for a NULL text. Fails, leaving text empty, when the driver's
// information or its language module cannot be had for a date or time, a name
// is missing from the module (except AM/PM, which fall back to "AM" and "PM"),
// or a format does not fit its arguments (E_INVALIDARG). An ID that cannot be
// had is left out.
HRESULT ComposeText(const DecorationSettings& settings, std::u16string* text);
