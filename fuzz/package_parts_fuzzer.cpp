// The package reader past the ZIP layer: the input is a list of parts, zipped
// here with correct CRCs and sizes, so the fuzzer works on what the parts say
// (content types, relationships, sequence, document and page markup, tickets,
// signatures, piece names). Each part is a flags byte (bit 0: stored rather
// than deflated), its ZIP item name up to a newline, a 32-bit little-endian
// length and that many bytes; fuzz/make-seeds writes real documents this way.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "package_walk.h"

namespace {

constexpr int kMaxParts = 64;

bool AddPart(zip_t* archive, std::uint8_t flags, std::string_view name, std::string_view content) {
  const std::string item(name);
  zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
  if (source == nullptr) return false;
  const zip_int64_t index = zip_file_add(archive, item.c_str(), source, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    zip_source_free(source);
    return true;  // a name libzip refuses (empty, twice): leave the part out
  }
  return zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                  (flags & 1) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1) == 0;
}

// Zips the parts into the scratch file; false when libzip cannot.
bool WriteParts(kestrel::fuzz::FuzzInput& input) {
  int error = 0;
  zip_t* archive = zip_open(kestrel::fuzz::ScratchPackagePath(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return false;
  // The contents point into the input, which outlives zip_close.
  for (int i = 0; i < kMaxParts && !input.Empty(); ++i) {
    const std::uint8_t flags = input.Byte();
    const std::string_view name = input.Until('\n');
    const std::string_view content = input.Bytes(input.Integer<std::uint32_t>());
    if (!AddPart(archive, flags, name, content)) {
      zip_discard(archive);
      return false;
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  if (WriteParts(input)) kestrel::fuzz::WalkPackageAt(kestrel::fuzz::ScratchPackagePath());
  return 0;
}
