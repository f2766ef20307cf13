// Lets tests run code as if the 2-D graphics library could not start.
#pragma once

#include "platform/gdiplus.h"

// From now on every GdiplusStartup in the process fails with this status
// (Ok restores normal starts).
void SetGdiplusStartupFailureForTesting(Gdiplus::Status failure);
