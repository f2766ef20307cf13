// The stand-in markup converter beside the manual-duplex printer control:
// takes every page and draws nothing.
#include "converter/converter_interface.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT INT XpsSetConvResAPI(void*, IFixedPage*, GetXPSFontDataFunction, GetXPSICCDataFunction,
                            GetXPSImageDataFunction, void*, void*) {
  return 1;
}
EXPORT INT XpsSetPageDevice(void*, BYTE, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT, INT,
                            INT, INT, INT) {
  return 1;
}
EXPORT INT XPSStartElem(const char*, void*) { return 1; }
EXPORT INT XPSReadAtt(const char*, const void*, void*) { return 1; }
EXPORT INT XPSEndElem(const char*, void*) { return 1; }
EXPORT INT XPSEndCurElem(void*) { return 1; }
