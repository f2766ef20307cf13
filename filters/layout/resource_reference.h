// Resource references in page markup made independent of the part that holds
// them: a page copied into a sheet lands in a part of another name, where a
// relative reference such as "../../../Resources/arial.ttf" would point
// nowhere. Each is rewritten as the absolute part name it resolves to from
// the page's own part name.
#pragma once

#include <string>
#include <string_view>

// Whether an attribute of this (local) name may hold a resource reference:
// FontUri, ImageSource, Source and the colour attributes (ContextColor).
bool MayReferToResource(std::u16string_view attributeName);

// The value with every part reference in it absolute: a plain relative
// reference, the references inside a {ColorConvertedBitmap ...} extension,
// and the profile of "ContextColor profile values". Absolute names, URIs with
// a scheme, other markup extensions and values that are no reference stay as
// they are. pageName is the absolute part name of the page holding the value.
std::u16string AbsoluteReferences(std::u16string_view pageName, std::u16string_view attributeName,
                                  std::u16string_view value);

// A relative reference resolved against the part name base ("." and ".."
// segments removed; ".." never climbs above the root).
std::u16string ResolvePartReference(std::u16string_view base, std::u16string_view reference);
