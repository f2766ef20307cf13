// Result codes: a 32-bit HRESULT whose sign bit marks failure.
#pragma once

#include <string>

#include "platform/types.h"

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeHresult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003u);
inline constexpr HRESULT E_ABORT = MakeHresult(0x80004004u);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFFu);
inline constexpr HRESULT E_PENDING = MakeHresult(0x8000000Au);
inline constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005u);
inline constexpr HRESULT E_HANDLE = MakeHresult(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeHresult(0x800401F0u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = MakeHresult(0x80010106u);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHresult(0x80030001u);
inline constexpr HRESULT STG_E_INVALIDPOINTER = MakeHresult(0x80030009u);
inline constexpr HRESULT STG_E_MEDIUMFULL = MakeHresult(0x80030070u);
inline constexpr HRESULT STG_E_ACCESSDENIED = MakeHresult(0x80030005u);
// The print ticket is not a valid Print Schema document.
inline constexpr HRESULT E_PRINTTICKET_FORMAT = MakeHresult(0x80040001u);
inline constexpr HRESULT E_PRINTCAPABILITIES_FORMAT = MakeHresult(0x80040002u);
inline constexpr HRESULT E_DELTA_PRINTTICKET_FORMAT = MakeHresult(0x80040003u);
// Markup that is not well-formed XML, or that the XML readers refuse (a DOCTYPE,
// nesting deeper than they allow).
inline constexpr HRESULT E_XML_PARSE = MakeHresult(0x80040200u);
// A success code of the provider: the merge changed options to resolve conflicts.
inline constexpr HRESULT S_PT_CONFLICT_RESOLVED = MakeHresult(0x00040001u);

// Win32 error codes the system turns into HRESULTs.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_NOT_FOUND = 1168;
inline constexpr DWORD ERROR_CANCELLED = 1223;
inline constexpr DWORD ERROR_PRINT_CANCELLED = 63;
inline constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;

constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
  return code == 0 ? S_OK : MakeHresult((code & 0xFFFFu) | 0x80070000u);
}

// "E_INVALIDARG (0x80070057)" for known codes, "0x80070057" otherwise.
std::string HresultName(HRESULT hr);
