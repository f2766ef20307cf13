#include "package_walk.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/package/package_error.h"
#include "host/package/xps_package_reader.h"

namespace kestrel::fuzz {
namespace {

using package::PackageError;
using package::PackageReader;

// Small enough that a hostile size costs little, large enough for real seeds.
package::ReaderLimits Limits() {
  package::ReaderLimits limits;
  limits.max_part_size = 8 << 20;
  limits.max_total_size = 32 << 20;
  limits.max_structure_part_size = 1 << 20;
  limits.max_zip_items = 4096;
  limits.max_pages = 1024;
  return limits;
}

void Drain(const PackageReader& reader, const std::string& name) {
  const auto in = reader.OpenPart(name);
  char buffer[16384];
  while (in->Read(buffer, sizeof buffer) > 0) {
  }
  if (in->Size() > 0) {
    in->Seek(in->Size() / 2);
    in->Read(buffer, sizeof buffer);
  }
}

// Removes the scratch file when the process ends.
struct Scratch {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("kestrel-fuzz-" + std::to_string(getpid()) + ".xps")).string();
  ~Scratch() { std::remove(path.c_str()); }
};

}  // namespace

const char* ScratchPackagePath() {
  static const Scratch scratch;
  return scratch.path.c_str();
}

void WalkPackageBytes(std::string_view bytes) {
  {
    std::ofstream out(ScratchPackagePath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  WalkPackageAt(ScratchPackagePath());
}

void WalkPackageAt(const char* path) {
  try {
    const auto reader = PackageReader::Open(path, Limits());
    const package::Package& model = reader->Model();
    for (const package::Document& document : model.sequence.documents) {
      const auto pages = reader->Pages(document);
      while (const auto page = pages->Next()) {
        Drain(*reader, page->name);
        reader->Relationships(page->name);
      }
    }
    reader->ForEachPart([&](const package::Part& part) {
      reader->Find(part.name);
      Drain(*reader, part.name);
    });
    reader->Relationships("/");
    for (const package::Signature& signature : model.signatures) reader->SignedParts(signature);
  } catch (const PackageError&) {
  }
}

}  // namespace kestrel::fuzz
