// The three functions the converter fetches a page's resources with (types
// and ImageBlock in converter/converter_interface.h); the page markup bridge
// hands them over with XpsSetConvResAPI at the start of every page, and the
// library exports them by name.
//
// Each finds the part by the URI (UTF-8, absolute or relative to the page),
// reads it whole (waiting while it is still being written, see
// resource_part.h) and hands out one buffer from the converter's allocator,
// which the converter then owns. Fonts come back as the plain font file
// (de-obfuscated), profiles as stored, images decoded as an ImageBlock. On
// any failure (no such part, a part of another kind, an unreadable or
// undecodable part, a size beyond 32 bits, an allocator answering NULL) the
// result is 0 with the outputs NULL and 0; the font and profile callbacks
// then call the deallocator once with NULL, as converters expect, and nothing
// is left to free. They keep no state and may run on any thread.
#pragma once

#include "converter/converter_interface.h"

#define KESTREL_RIP_EXPORT __attribute__((visibility("default")))

extern "C" {
KESTREL_RIP_EXPORT INT GetXPSFontData(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                                      const char* uri, void* reserved1, void* reserved2, BYTE** buffer, DWORD* size);
KESTREL_RIP_EXPORT INT GetXPSICCData(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                                     const char* uri, void* reserved1, void* reserved2, BYTE** buffer, DWORD* size);
KESTREL_RIP_EXPORT INT GetXPSImageData(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                                       const char* uri, void* reserved1, void* reserved2, BYTE** block);
}
