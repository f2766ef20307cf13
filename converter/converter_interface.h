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
// The page's font, colour profile and image parts by URI (UTF-8); 1 on
// success, 0 with the outputs cleared on failure. Fonts (de-obfuscated) and
// profiles come back as the part's bytes in one buffer from `allocate`; images
// as an ImageBlock (below). The converter frees what it receives with its own
// deallocator. A part still arriving is waited for (about 10 s at most).
using GetXPSFontDataFunction = INT (*)(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                                       const char* uri, void* reserved1, void* reserved2, BYTE** buffer,
                                       DWORD* size);
using GetXPSICCDataFunction = GetXPSFontDataFunction;
using GetXPSImageDataFunction = INT (*)(ConverterAllocator allocate, ConverterDeallocator release,
                                        IFixedPage* page, const char* uri, void* reserved1, void* reserved2,
                                        BYTE** block);

// ---- ImageBlock: the decoded image GetXPSImageDataFunction returns ----
//
// One allocation, made with the allocator passed to the call; it is the
// converter's from then on and the converter frees it with its own
// deallocator (the one it passed). On failure the callback returns 0, *block
// is NULL and nothing is left to free. The block's size is
//   kImageBlockHeaderSize + bytesPerPixel * width * height + profile size,
// never more than 32 bits can count.
//
//   offset 0    ImageBlockHeader, 512 bytes (below)
//   offset 512  the pixels: height rows from top to bottom, each row width
//               pixels left to right, stride = bytesPerPixel * width (no row
//               padding); each pixel bytesPerPixel 8-bit samples in the order
//               its colour type names (alpha last, straight, not premultiplied)
//   then        the ICC profile, when profileFlag is kImageProfileFollows:
//               profileSize bytes at profileOffset (counted from the block's
//               start, i.e. right after the pixels)
//
// Colour types and bytes per pixel:
//   0  kImageGray           1  grey
//   1  kImageRgb            3  R, G, B
//   2  kImageCmyk           4  C, M, Y, K
//   9  kImageRgba           4  R, G, B, A (also every indexed image: its palette colours)
//   10 kImageCmykAlpha      5  C, M, Y, K, A
//   5  kImageChannels       n  n plain channels (3 to 8), every one from the image
//   13 kImageChannelsAlpha  n  n - 1 plain channels (3 to 8), then alpha
// Width and height are at most 65535. Resolutions are dots per inch as the
// image declares them (96 x 96 when it declares none), split into an integer
// part and a fraction in 1/65536.
//
// 16-bit fields are little-endian, 32-bit fields big-endian: read them with
// ImageBlockLe16 and ImageBlockBe32.
enum ImageColorType : BYTE {
  kImageGray = 0,
  kImageRgb = 1,
  kImageCmyk = 2,
  kImageChannels = 5,
  kImageRgba = 9,
  kImageCmykAlpha = 10,
  kImageChannelsAlpha = 13,
};

inline constexpr std::size_t kImageBlockHeaderSize = 512;
inline constexpr BYTE kImageProfileFollows = 2;

struct ImageBlockHeader {
  char magic[4];            // "RIRO"
  BYTE version[2];          // 6
  BYTE headerKind[2];       // 28
  BYTE width[2];            // pixels
  BYTE height[2];           // pixels
  BYTE dpiX[2];             // integer part
  BYTE dpiY[2];
  BYTE bytesPerPixel;       // d
  BYTE colorType;           // ImageColorType
  BYTE zero1[2];
  BYTE one;                 // 1
  BYTE mark;                // 0x31
  BYTE zero2;
  BYTE profileFlag;         // kImageProfileFollows, else 0
  BYTE profileOffset[4];    // big-endian, 0 without a profile
  BYTE profileSize[4];      // big-endian, 0 without a profile
  BYTE dpiXFraction[2];     // fraction * 65536, truncated
  BYTE dpiYFraction[2];
  BYTE zero3[476];
};
static_assert(sizeof(ImageBlockHeader) == kImageBlockHeaderSize);
static_assert(offsetof(ImageBlockHeader, bytesPerPixel) == 16);
static_assert(offsetof(ImageBlockHeader, profileFlag) == 23);
static_assert(offsetof(ImageBlockHeader, profileOffset) == 24);
static_assert(offsetof(ImageBlockHeader, dpiXFraction) == 32);

inline constexpr unsigned ImageBlockLe16(const BYTE (&field)[2]) {
  return static_cast<unsigned>(field[0]) | static_cast<unsigned>(field[1]) << 8;
}
inline constexpr DWORD ImageBlockBe32(const BYTE (&field)[4]) {
  return static_cast<DWORD>(field[0]) << 24 | static_cast<DWORD>(field[1]) << 16 |
         static_cast<DWORD>(field[2]) << 8 | static_cast<DWORD>(field[3]);
}

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
