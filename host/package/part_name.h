// Part names and relationship targets as packages compare and resolve them:
// names are absolute paths ("/Documents/1/Pages/1.fpage"), equal when their
// percent-decoded forms match with ASCII letters compared case-insensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::package {

// Why name is not a valid part name, or nothing when it is one.
std::optional<std::string> PartNameProblem(std::string_view name);

// The comparison key of a valid part name: percent-decoded, ASCII lower case.
std::string PartNameKey(std::string_view name);
bool SamePartName(std::string_view a, std::string_view b);
// A hash of the comparison key: names that compare equal hash alike.
std::uint64_t PartNameHash(std::string_view name);

// The absolute part name a relative or absolute reference in part `base`
// stands for ("../Resources/a.ttf" in "/Documents/1/Pages/1.fpage" is
// "/Documents/1/Resources/a.ttf"). base "/" stands for the package root.
// Dot segments above the root stay at the root, as for any URI. Nothing when
// the reference is no part reference (a scheme, an authority, a query, a
// fragment, an empty path) or resolves to an invalid part name.
std::optional<std::string> ResolvePartReference(std::string_view base, std::string_view reference);

// "/a/b/_rels/c.rels" for source "/a/b/c"; "/_rels/.rels" for the root "/".
std::string RelationshipsPartName(std::string_view source);

// The extension after the last dot of the last segment, without the dot ("" when none).
std::string_view PartExtension(std::string_view name);

}  // namespace kestrel::package
