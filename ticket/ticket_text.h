// Text helpers of the ticket code: owned BSTR copies that report allocation
// failure, and the decimal integers of ticket values.
#pragma once

#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/types.h"

// A new BSTR holding text; throws HResultError(E_OUTOFMEMORY) when it cannot be made.
Bstr CopyToBstr(std::u16string_view text);

// Signed decimal of a ticket value: leading white space and one sign are
// accepted, conversion stops at the first non-digit, no digits give 0, and a
// value beyond 32 bits saturates at the nearest limit.
LONG ParseTicketInteger(std::u16string_view text);

// "%i" of a 32-bit value.
std::u16string IntegerText(LONG value);
