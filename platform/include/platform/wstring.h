// Zero-terminated WCHAR strings and the conversions between narrow and wide text.
//
// NULL strings: WideLength, WideCompare and WideCompareNoCase take NULL as the empty
// string; the bounded copies reject it with E_POINTER; the searches find nothing in it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/hresult.h"
#include "platform/types.h"

// The code pages the platform converts: its ANSI code page is Windows-1252.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

std::size_t WideLength(LPCWSTR text);

// The length of the longest prefix of text with at most maxUnits code units that does
// not end between the two halves of a surrogate pair.
std::size_t WidePrefixLength(std::u16string_view text, std::size_t maxUnits);

// Bounded copies into dst, which holds dstCount characters including the terminator.
// S_OK when everything fit; HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the text
// was cut, dst then holds as much as fits without splitting a surrogate pair, terminated.
// E_POINTER for NULL dst or src, E_INVALIDARG for dstCount 0 (and, for WideConcat, for a
// dst without a terminator within dstCount). src may overlap dst.
HRESULT WideCopy(LPWSTR dst, std::size_t dstCount, LPCWSTR src);
HRESULT WideConcat(LPWSTR dst, std::size_t dstCount, LPCWSTR src);

// -1, 0 or 1 by code unit value. NoCase folds only A-Z, to lower case.
int WideCompare(LPCWSTR a, LPCWSTR b);
int WideCompareNoCase(LPCWSTR a, LPCWSTR b);

// First occurrence, or NULL. An empty part is found at the start of text; the character
// 0 is found at the terminator.
LPCWSTR WideFind(LPCWSTR text, LPCWSTR part);
LPCWSTR WideFindChar(LPCWSTR text, WCHAR c);

// Conversions with CP_UTF8 or CP_ACP, always strict: malformed UTF-8 or UTF-16, and
// characters Windows-1252 lacks (bytes 0x81 0x8D 0x8F 0x90 0x9D, everything beyond its
// repertoire), are failures, never replaced. nullopt also for any other code page.
std::optional<std::u16string> ToWide(std::string_view text, UINT codePage = CP_UTF8);
std::optional<std::string> ToNarrow(std::u16string_view text, UINT codePage = CP_UTF8);

// The system's calls over the same conversions. srcLen -1: src is zero-terminated and
// the terminator is converted too; otherwise srcLen units, at least one. dstLen 0 only
// measures. Returns the number of units written (or needed), 0 on any failure, with dst
// untouched: bad arguments, a text that does not convert, a dst that is too small.
// flags are accepted and ignored (every conversion is strict); defaultChar and
// usedDefault must be NULL, as nothing is ever substituted.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
