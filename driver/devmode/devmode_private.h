// The private block this driver appends to its printer's DEVMODEs (dmDriverExtra bytes
// after the public DEVMODEW): what the converter needs beyond the public fields. Lengths
// are microns; indices are those of the system's settings tables (orientation
// 0 Landscape, 1 Portrait, 2 ReverseLandscape, 3 ReversePortrait; the binding edge,
// scaling mode and input bin tables of the ticket readers; mirror 0 MirrorImageWidth,
// 1 MirrorImageHeight, 2 None).
#pragma once

#include "platform/types.h"

struct KestrelDevModePrivate {
  DWORD signature;  // kDevModePrivateSignature
  WORD version;     // kDevModePrivateVersion
  WORD size;        // sizeof(KestrelDevModePrivate)
  LONG mediaWidth;  // the media as fed, before orientation
  LONG mediaHeight;
  LONG imageableOriginWidth;  // the page in its orientation
  LONG imageableOriginHeight;
  LONG imageableExtentWidth;
  LONG imageableExtentHeight;
  WORD orientation;
  WORD pagesPerSheet;  // 1 without N-up
  SHORT bindingEdge;   // -1 without binding
  WORD booklet;        // 1 for Booklet and BookletReverseFlip
  LONG bindingGutter;
  WORD posterSheetsPerPage;  // 0 without poster
  WORD scalingMode;
  WORD scalePercent;
  WORD inputBin;
  WORD secondInputBin;
  WORD mirror;
  DWORD flags;  // kDevModeFlag...
};
static_assert(sizeof(KestrelDevModePrivate) == 60);

inline constexpr DWORD kDevModePrivateSignature = 0x4C54534B;  // "KSTL" in memory order
inline constexpr WORD kDevModePrivateVersion = 1;
inline constexpr WORD kKestrelDriverVersion = 0x0100;  // dmDriverVersion
inline constexpr DWORD kDevModeFlagWatermark = 0x1;
inline constexpr DWORD kDevModeFlagHeaderFooter = 0x2;
inline constexpr DWORD kDevModeFlagReverseImage = 0x4;
inline constexpr DWORD kDevModeFlagSecondBinInvalid = 0x8;
// Two-sided by hand: the converter prints the fronts and reports the backs as files.
inline constexpr DWORD kDevModeFlagManualDuplex = 0x10;
