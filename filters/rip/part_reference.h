// Part names as the converter sees them: references from markup, relative to
// the part that holds them, resolved into the absolute names a page's parts
// are found by.
#pragma once

#include <string>

#include "platform/xps_parts.h"

// The part's absolute name; empty when it has none.
std::u16string PartNameOf(IPartBase* part);

// source resolved against the part name base: an absolute part name with "."
// and ".." segments removed (".." never climbs above the root); either
// separator is accepted.
std::u16string ResolvePartName(const std::u16string& base, std::u16string source);
