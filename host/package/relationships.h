// Relationships parts ("/_rels/.rels", "/dir/_rels/name.rels"): reading them
// into Relationship records with targets resolved against their source, and
// writing them back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/package/package_model.h"

namespace kestrel::package {

// Whether name is a relationships part name: a ".rels" part in a "_rels" folder.
bool IsRelationshipsPartName(std::string_view name);
// The source of a relationships part ("/" for "/_rels/.rels").
std::string RelationshipsSource(std::string_view relationships_part);

// Throws PackageError naming the relationships part for malformed markup,
// duplicate or invalid ids and targets that are no part names.
std::vector<Relationship> ParseRelationships(std::string_view xml, const std::string& relationships_part,
                                             const std::string& source);

std::string WriteRelationships(const std::vector<Relationship>& relationships);

}  // namespace kestrel::package
