// Device contexts and fonts as text layout code expects them from GDI, on
// fontconfig (finding a face by family, weight, slant and language) and
// FreeType (the face's own metrics in design units, scaled here). Only the
// display context exists; it has LOGPIXELSY 96, so measurements in pixels are
// XPS units (1/96 inch). Handles are checked: a stale or foreign one fails
// with ERROR_INVALID_HANDLE instead of being dereferenced.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

struct GdiDeviceContext;
struct GdiFontObject;
using HDC = GdiDeviceContext*;
using HFONT = GdiFontObject*;
using HGDIOBJ = void*;

struct SIZE {
  LONG cx;
  LONG cy;
};

inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;  // < 0: the em height in pixels; > 0: the cell height (ascent + descent)
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;  // 400 regular, 700 bold
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];  // zero-terminated
};

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
inline constexpr BYTE CLEARTYPE_QUALITY = 5;
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;  // set for variable pitch, as GDI has it
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;
inline constexpr DWORD GDI_ERROR = 0xFFFFFFFF;

// Character sets whose language steers the choice of face.
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SHIFTJIS_CHARSET = 128;
inline constexpr BYTE HANGUL_CHARSET = 129;
inline constexpr BYTE GB2312_CHARSET = 134;
inline constexpr BYTE CHINESEBIG5_CHARSET = 136;
inline constexpr BYTE GREEK_CHARSET = 161;
inline constexpr BYTE TURKISH_CHARSET = 162;
inline constexpr BYTE HEBREW_CHARSET = 177;
inline constexpr BYTE ARABIC_CHARSET = 178;
inline constexpr BYTE BALTIC_CHARSET = 186;
inline constexpr BYTE RUSSIAN_CHARSET = 204;
inline constexpr BYTE THAI_CHARSET = 222;
inline constexpr BYTE EASTEUROPE_CHARSET = 238;

// A GetFontData table argument: the tag's four characters in file order read
// as a little-endian DWORD ("cmap" -> 0x70616D63). 0 means the whole file.
constexpr DWORD FontDataTag(std::string_view text) {
  return DWORD(BYTE(text[0])) | (DWORD(BYTE(text[1])) << 8) | (DWORD(BYTE(text[2])) << 16) |
         (DWORD(BYTE(text[3])) << 24);
}
// The whole collection file, when the selected face comes from one.
inline constexpr DWORD kFontDataCollection = FontDataTag("ttcf");

// Only the driver "DISPLAY" is known; the other arguments are ignored.
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* devmode);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);

// Finds the installed face that best fits: family (a leading '@', the vertical
// form, is dropped; aliases such as "Arial" reach a metric-compatible face),
// weight, italic and the character set's language. Only TrueType and OpenType
// outline faces are chosen. NULL with ERROR_INVALID_PARAMETER for a face name
// without terminator or a height beyond 16384 pixels either way,
// ERROR_NOT_FOUND when no outline face is installed.
HFONT CreateFontIndirectW(const LOGFONTW* font);
// Returns the object the font replaces (a context starts with a stock font
// that measures nothing), NULL for an unknown handle.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// A font still selected somewhere stays usable there until replaced.
BOOL DeleteObject(HGDIOBJ object);

// The advance of the text's code points summed (a surrogate pair is one code
// point, a lone surrogate the missing glyph) and the font's height.
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// Bytes of the selected face's file from `offset`: table 0 is the whole file,
// kFontDataCollection the whole collection (GDI_ERROR when the face is not in
// one), any other tag that table of the face. A NULL buffer or size 0 asks for
// the size from offset. GDI_ERROR for an absent table or an offset past its end.
DWORD GetFontData(HDC dc, DWORD table, DWORD offset, void* buffer, DWORD size);

// number * numerator / denominator rounded half away from zero; -1 when the
// denominator is 0 or the result does not fit an int.
int MulDiv(int number, int numerator, int denominator);
