// Reads an XPS package (XPS 1.0 or OpenXPS) from a ZIP file.
//
//   auto reader = PackageReader::Open("in.xps");      // throws PackageError
//   for (const Document& d : reader->Model().sequence.documents)
//     for (const Page& p : d.pages) {
//       auto in = reader->OpenPart(p.name);             // streams from the archive
//       while (std::size_t n = in->Read(buffer, sizeof buffer)) ...
//     }
//
// Open reads only the structure: the ZIP directory, [Content_Types].xml, the
// relationships parts, the sequence and document markup and the signature
// manifests; page markup and resources are read when a PartReader asks.
// Interleaved parts ("/a.fpage/[0].piece" ... "[n].last.piece") read as one
// part; obfuscated fonts read as plain fonts (Part::obfuscated says how they
// were stored). Every error is a PackageError naming the part.
//
// Thread safety: after Open, the reader and its PartReaders may be used from
// several threads; each PartReader by one thread at a time. PartReaders keep
// the archive open, so they may outlive the PackageReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "host/package/package_model.h"

namespace kestrel::package {

// Bounds that keep a hostile package from exhausting memory or time.
struct ReaderLimits {
  std::uint64_t max_part_size = std::uint64_t{4} << 30;    // uncompressed, each part
  std::uint64_t max_total_size = std::uint64_t{64} << 30;  // uncompressed, whole package
  std::uint64_t max_structure_part_size = 64 << 20;        // XML parsed at Open
  std::uint64_t max_zip_items = 1'000'000;
  std::uint64_t max_pages = 1'000'000;
};

// A part's bytes, read in order from the archive.
class PartReader {
 public:
  virtual ~PartReader() = default;
  // Up to size bytes; 0 only at the end. Throws PackageError when the stored
  // data is damaged (bad CRC, wrong size, inflate error).
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
  virtual std::uint64_t Size() const = 0;
  virtual std::uint64_t Position() const = 0;
  // Moves to an absolute offset (at most Size()); going back re-reads from the start.
  virtual void Seek(std::uint64_t offset) = 0;
};

class PackageReader {
 public:
  static std::unique_ptr<PackageReader> Open(const std::filesystem::path& path, const ReaderLimits& limits = {});
  virtual ~PackageReader() = default;

  virtual const Package& Model() const = 0;
  // A part by name, compared as part names are; nullptr when absent.
  virtual const Part* Find(std::string_view name) const = 0;
  // Throws PackageError when the part is absent.
  virtual std::unique_ptr<PartReader> OpenPart(std::string_view name) const = 0;
};

}  // namespace kestrel::package
