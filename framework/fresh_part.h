// Asking the job for a new part under a name it does not have yet.
#pragma once

#include <functional>
#include <string>

#include "platform/com.h"
#include "platform/types.h"
#include "platform/xps_parts.h"

// Names drawn before a refusal of the name is given up as the result.
inline constexpr int kNameAttempts = 16;

// GetNewEmptyPart under names drawn from nextName until the consumer takes one: a
// name the job already has (HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) is drawn
// again, up to kNameAttempts times, and that refusal is the result after the last.
// A failure of nextName or any other refusal ends the drawing and is returned.
HRESULT NewPartUnderFreshName(IXpsDocumentConsumer* consumer, const std::function<HRESULT(std::u16string*)>& nextName,
                              REFIID iid, void** part, ComPtr<IPrintWriteStream>* stream);
