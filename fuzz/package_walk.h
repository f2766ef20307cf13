// What both package targets do with a package: open it under tight limits and
// read everything a job would (every document's pages, every part's bytes, the
// relationships and the signed parts). A PackageError is the expected answer
// to bad input; anything else escapes and is a finding.
#pragma once

#include <string_view>

namespace kestrel::fuzz {

// Writes the bytes to this process's scratch file and walks the package there.
void WalkPackageBytes(std::string_view bytes);

// The scratch file a target may write a package to itself.
const char* ScratchPackagePath();

void WalkPackageAt(const char* path);

}  // namespace kestrel::fuzz
