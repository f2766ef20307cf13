// Option vocabulary several settings records share.
#pragma once

#include <array>
#include <string_view>

#include "platform/types.h"

// Switches of the private namespace: index 0 "Off", 1 "On".
inline constexpr std::array<std::u16string_view, 2> kOffOnNames = {u"Off", u"On"};

// Which feature of a job/document pair supplied a record.
inline constexpr LONG kScopeNone = -1;
inline constexpr LONG kScopeJob = 0;
inline constexpr LONG kScopeDocument = 1;

inline constexpr bool IsScope(LONG scope) { return scope >= kScopeNone && scope <= kScopeDocument; }
