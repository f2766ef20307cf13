// This driver's part of its printer's DEVMODEs: the driver version and the
// KestrelDevModePrivate block, filled from the validated ticket. Whoever registers the
// printer with the print ticket provider passes it to RegisterPrinter.
#pragma once

#include "platform/devmode_extension.h"

DevModeExtension KestrelDevModeExtension();
