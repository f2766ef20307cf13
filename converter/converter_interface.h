// What the rip filter and the two converter libraries of the driver package
// exchange: the entry points the filter looks up by name, the callbacks it
// hands over, the record the printer-control library is opened with and the
// records of the output stream. Both sides build against this header.
//
// Libraries: "PRNCTRL.DLL" (printer control, loaded once per filter object)
// and "XPSCONV.DLL" (the markup converter, loaded once per page and once more
// per remote resource dictionary), in the subfolder "3" of the printer-driver
// directory. Handles are opaque; NULL means failure. The converter functions
// return 0 for failure.
//
// Order of calls: per job PrnCtrlOpen, PrnCtrlXPS2SPDLOpen,
// GetConvCntFromSPDLCnt; per page DevModeSet, then XpsSetConvResAPI and
// XpsSetPageDevice, then per element XPSStartElem, XPSReadAtt per attribute
// (the last attribute first), XPSEndElem, or XPSEndCurElem for an element
// without child elements; at the end PrnCtrlXPS2SPDLClose, PrnCtrlClose. The
// write callback and the resource callbacks may come at any time between.
//
// 8-bit strings (element and attribute names, attribute values) are UTF-8 in
// both directions, so no character is lost; only the value of an attribute
// named "UnicodeString" is passed as a NUL-terminated UTF-16 string.
#pragma once

#include <cstddef>

#include "platform/print_ticket_provider.h"  // DEVMODEW, the public part of what DevModeSet receives
#include "platform/types.h"
#include "platform/xps_parts.h"

extern "C" {

// ---- Callbacks of the rip filter ----

// Delivers converted output as a stream of OutputRecords; a record may be
// split over several calls. Returns the HRESULT of the last write.
using ConverterWriteCallback = HRESULT (*)(const void* buffer, DWORD length, void* context);
// Stores 0 in the byte and returns 1.
using ZeroFlagCallback = INT (*)(BYTE* flag);

// Memory of the converter's own, for the buffers the resource callbacks return.
using ConverterAllocator = void* (*)(DWORD size);
using ConverterDeallocator = void (*)(void* block);
// The page's font, colour profile and image parts by URI; 1 on success, 0 with
// the outputs cleared on failure.
using GetXPSFontDataFunction = INT (*)(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                                       const char* uri, void* reserved1, void* reserved2, BYTE** buffer,
                                       DWORD* size);
using GetXPSICCDataFunction = GetXPSFontDataFunction;
using GetXPSImageDataFunction = INT (*)(ConverterAllocator allocate, ConverterDeallocator release,
                                        IFixedPage* page, const char* uri, void* reserved1, void* reserved2,
                                        BYTE** block);

// ---- The record PrnCtrlOpen receives (1548 bytes, little-endian) ----

inline constexpr std::size_t kConverterNameChars = 256;  // with the NUL: at most 255 characters

struct ConverterOpenInfo {
  DWORD size;                               // 1548
  WCHAR printerName[kConverterNameChars];
  WCHAR documentName[kConverterNameChars];  // the print job's document name
  DWORD jobId;
  DWORD one;                                // 1
  WCHAR reserved[kConverterNameChars];      // empty
};
static_assert(sizeof(ConverterOpenInfo) == 1548);
static_assert(offsetof(ConverterOpenInfo, printerName) == 4);
static_assert(offsetof(ConverterOpenInfo, documentName) == 516);
static_assert(offsetof(ConverterOpenInfo, jobId) == 1028);
static_assert(offsetof(ConverterOpenInfo, one) == 1032);
static_assert(offsetof(ConverterOpenInfo, reserved) == 1036);

// ---- The output stream: records of an 8-byte header and a payload ----

struct OutputRecordHeader {
  BYTE kind;         // OutputRecordKind
  BYTE unused[3];
  DWORD length;      // payload bytes, little-endian
};
static_assert(sizeof(OutputRecordHeader) == 8);

enum OutputRecordKind : BYTE {
  kOutputPrinterData = 0,  // bytes for the printer
  kOutputFileName = 1,     // a file path, UTF-16 ending with a NUL
  // Other kinds are skipped.
};

// ---- PRNCTRL.DLL ----

using PrnCtrlOpenFunction = void* (*)(const WCHAR* channel /* "driverout" */, void* reserved /* NULL */,
                                      const WCHAR* encoderPath, ConverterWriteCallback write, void* context,
                                      ConverterOpenInfo* info, ZeroFlagCallback zeroFlag);
using PrnCtrlXPS2SPDLOpenFunction = void* (*)(ZeroFlagCallback zeroFlag, void* control);
using GetConvCntFromSPDLCntFunction = void* (*)(void* conversion);
using DevModeSetFunction = INT (*)(const void* devmode, DWORD size, void* control);
using PrnCtrlXPS2SPDLCloseFunction = INT (*)(void* conversion);
using PrnCtrlCloseFunction = INT (*)(void* control);

// ---- XPSCONV.DLL ----

using XpsSetConvResAPIFunction = INT (*)(void* converter, IFixedPage* page, GetXPSFontDataFunction font,
                                         GetXPSICCDataFunction profile, GetXPSImageDataFunction image,
                                         void* reserved1, void* reserved2);
// The page's device values, in this order: 1 (8-bit); 1; media width; media
// height; 0; 0; media width; media height (microns); resolution X; resolution
// Y (dots per inch); rotation code (2 for 0 degrees, 3 for 90, 4 for 180, 5
// for 270); 0; 4; 100; media height; media height; plane code (1, 3 or 4);
// output planes; output bits per pixel.
using XpsSetPageDeviceFunction = INT (*)(void* converter, BYTE one, INT one2, INT mediaWidth, INT mediaHeight,
                                         INT zero1, INT zero2, INT mediaWidth2, INT mediaHeight2,
                                         INT resolutionX, INT resolutionY, INT rotationCode, INT zero3, INT four,
                                         INT hundred, INT mediaHeight3, INT mediaHeight4, INT planeCode,
                                         INT outputPlanes, INT bitsPerPixel);
using XPSStartElemFunction = INT (*)(const char* name, void* converter);
// value: UTF-8, or UTF-16 for "UnicodeString".
using XPSReadAttFunction = INT (*)(const char* name, const void* value, void* converter);
using XPSEndElemFunction = INT (*)(const char* name, void* converter);
using XPSEndCurElemFunction = INT (*)(void* converter);

}  // extern "C"

// The libraries' names as the filter loads them, and their exported names.
inline constexpr WCHAR kPrinterControlLibrary[] = u"PRNCTRL.DLL";
inline constexpr WCHAR kMarkupConverterLibrary[] = u"XPSCONV.DLL";
inline constexpr WCHAR kConverterSubfolder[] = u"3";
