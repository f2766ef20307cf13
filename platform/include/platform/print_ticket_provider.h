// The print ticket provider: merges and validates print tickets, answers print
// capabilities and converts tickets to DEVMODEs for the printers registered in this
// process, each described by a printer description file (driver/printer/README.md).
//
// Streams: input tickets are read from the stream's current position to its end (the
// callers seek to 0 first); results are written, as UTF-8 XML with a declaration, at
// the result stream's current position.
// Error messages: every failure, and a merge that resolved conflicts, sets
// *errorMessage (when errorMessage is not NULL) to a BSTR the caller frees with
// SysFreeString; otherwise *errorMessage is NULL.
#pragma once

#include "platform/bstr.h"
#include "platform/devmode_extension.h"
#include "platform/stream.h"
#include "platform/types.h"

inline constexpr char kPrintSchemaFrameworkNamespace[] =
    "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr char kPrintSchemaKeywordsNamespace[] =
    "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

struct PrintTicketProvider;
using HPTPROVIDER = PrintTicketProvider*;

enum EPrintTicketScope : int { kPTPageScope = 0, kPTDocumentScope = 1, kPTJobScope = 2 };
// Both give the printer description's defaults: there is no per-user store.
enum EDefaultDevmodeType : int { kUserDefaultDevmode = 0, kPrinterDefaultDevmode = 1 };

// Makes printerName known to the provider, described by the printer description file at
// descriptionPath; registering a name again replaces its description (open handles keep
// the old one). The printer's driver adds its part of the printer's DEVMODEs through
// devmodeExtension (devmode_extension.h); without one they are the public part alone.
// Fails with HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) for a missing file and
// HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a file that is not a valid description.
HRESULT RegisterPrinter(LPCWSTR printerName, const char* descriptionPath, BSTR* errorMessage = nullptr,
                        DevModeExtension devmodeExtension = {});
HRESULT UnregisterPrinter(LPCWSTR printerName);

// version must be 1. An unregistered printer gives HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME).
HRESULT PTOpenProvider(LPCWSTR printerName, DWORD version, HPTPROVIDER* provider);
// Opens with the highest version up to maxVersion this provider knows (1).
HRESULT PTOpenProviderEx(LPCWSTR printerName, DWORD maxVersion, DWORD preferredVersion, HPTPROVIDER* provider,
                         DWORD* usedVersion);
HRESULT PTCloseProvider(HPTPROVIDER provider);

// The delta's top-level Feature, ParameterInit and Property elements replace the base's
// of the same kind and qualified name; the rest of the base stays. delta may be NULL:
// the base alone is validated. Features, parameters and properties are job, document or
// page scoped by the prefix of their local name (Job..., Document..., Page...); at
// document scope the delta's job-scoped items are ignored, at page scope also its
// document-scoped ones. The result is then validated against the printer description:
// an option the printer does not offer is replaced by its default, as is a parameter
// value outside its range (S_PT_CONFLICT_RESOLVED with a message saying what changed).
// Not a print ticket: E_PRINTTICKET_FORMAT (base) or E_DELTA_PRINTTICKET_FORMAT (delta).
HRESULT PTMergeAndValidatePrintTicket(HPTPROVIDER provider, IStream* baseTicket, IStream* deltaTicket,
                                      EPrintTicketScope scope, IStream* resultTicket, BSTR* errorMessage);

// Writes the printer's PrintCapabilities, with PageImageableSize computed for the
// ticket's media size and orientation. ticket may be NULL: the printer's defaults.
HRESULT PTGetPrintCapabilities(HPTPROVIDER provider, IStream* ticket, IStream* capabilities, BSTR* errorMessage);

// Writes the printer's default print ticket: every described feature with its default
// option and every described parameter with its default value.
HRESULT WritePrinterDefaultTicket(HPTPROVIDER provider, IStream* ticket, BSTR* errorMessage);

// DEVMODE of the printer, public part. Field order and sizes are those every DEVMODE
// consumer expects; dmFields tells which fields were filled.
struct DevModePosition {
  LONG x;
  LONG y;
};

struct DEVMODEW {
  WCHAR dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;  // bytes of the driver-private block that follows the public part
  DWORD dmFields;
  union {
    struct {
      SHORT dmOrientation;
      SHORT dmPaperSize;
      SHORT dmPaperLength;  // tenths of a millimetre
      SHORT dmPaperWidth;   // tenths of a millimetre
      SHORT dmScale;        // percent
      SHORT dmCopies;
      SHORT dmDefaultSource;
      SHORT dmPrintQuality;  // horizontal dots per inch
    };
    struct {
      DevModePosition dmPosition;
      DWORD dmDisplayOrientation;
      DWORD dmDisplayFixedOutput;
    };
  };
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  WCHAR dmFormName[32];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  union {
    DWORD dmDisplayFlags;
    DWORD dmNup;
  };
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEW) == 220, "the public DEVMODE is 220 bytes");
using DEVMODE = DEVMODEW;
using PDEVMODE = DEVMODEW*;

inline constexpr WORD DM_SPECVERSION = 0x0401;
inline constexpr DWORD DM_ORIENTATION = 0x00000001;
inline constexpr DWORD DM_PAPERSIZE = 0x00000002;
inline constexpr DWORD DM_PAPERLENGTH = 0x00000004;
inline constexpr DWORD DM_PAPERWIDTH = 0x00000008;
inline constexpr DWORD DM_SCALE = 0x00000010;
inline constexpr DWORD DM_NUP = 0x00000040;
inline constexpr DWORD DM_COPIES = 0x00000100;
inline constexpr DWORD DM_DEFAULTSOURCE = 0x00000200;
inline constexpr DWORD DM_PRINTQUALITY = 0x00000400;
inline constexpr DWORD DM_COLOR = 0x00000800;
inline constexpr DWORD DM_DUPLEX = 0x00001000;
inline constexpr DWORD DM_YRESOLUTION = 0x00002000;
inline constexpr DWORD DM_COLLATE = 0x00008000;
inline constexpr DWORD DM_FORMNAME = 0x00010000;

inline constexpr SHORT DMORIENT_PORTRAIT = 1;
inline constexpr SHORT DMORIENT_LANDSCAPE = 2;
inline constexpr SHORT DMPAPER_USER = 256;
inline constexpr SHORT DMCOLOR_MONOCHROME = 1;
inline constexpr SHORT DMCOLOR_COLOR = 2;
inline constexpr SHORT DMDUP_SIMPLEX = 1;
inline constexpr SHORT DMDUP_VERTICAL = 2;    // long edge
inline constexpr SHORT DMDUP_HORIZONTAL = 3;  // short edge
inline constexpr SHORT DMCOLLATE_FALSE = 0;
inline constexpr SHORT DMCOLLATE_TRUE = 1;
inline constexpr DWORD DMNUP_SYSTEM = 1;
inline constexpr DWORD DMNUP_ONEUP = 2;

// Converts a ticket into one block of *devmodeSize bytes: the public DEVMODEW followed by
// the private block of the printer's DevModeExtension (dmDriverExtra bytes). Features
// outside the scope (as in the merge) and options the printer does not offer give the
// printer's defaults. Free the block with PTReleaseMemory.
HRESULT PTConvertPrintTicketToDevMode(HPTPROVIDER provider, IStream* ticket, EDefaultDevmodeType baseType,
                                      EPrintTicketScope scope, ULONG* devmodeSize, PDEVMODE* devmode,
                                      BSTR* errorMessage);
HRESULT PTReleaseMemory(void* buffer);
