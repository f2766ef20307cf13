// Part names across the COM boundary (UTF-16) and in the package (UTF-8).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/unknown.h"

namespace kestrel::host {

// Equal as package part names compare; false when either is not UTF-16.
bool SamePartName(std::u16string_view a, std::u16string_view b);
// The part name of anything answering IPartBase; nullopt otherwise.
std::optional<std::u16string> PartUri(IUnknown* part);

}  // namespace kestrel::host
