// The package reader on raw bytes: damaged ZIP directories, local headers,
// sizes and compression, as a file on disk would bring them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::WalkPackageBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
