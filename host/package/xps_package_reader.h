// Reads an XPS package (XPS 1.0 or OpenXPS) from a ZIP file.
//
//   auto reader = PackageReader::Open("in.xps");      // throws PackageError
//   for (const Document& d : reader->Model().sequence.documents)
//     for (auto pages = reader->Pages(d); auto p = pages->Next();) {
//       auto in = reader->OpenPart(p->name);            // streams from the archive
//       while (std::size_t n = in->Read(buffer, sizeof buffer)) ...
//     }
//
// Open checks the whole structure: the ZIP directory, [Content_Types].xml,
// every relationships part, the sequence and document markup, each page's
// ticket and resources, the signature manifests. It keeps a compact record
// per part and the model (what does not grow with the pages); a document's
// pages and a part's relationships are read again when asked for, page markup
// and resources when a PartReader asks. So memory does not grow with the
// pages beyond a record per part name (and libzip's own directory).
// Interleaved parts ("/a.fpage/[0].piece" ... "[n].last.piece") read as one
// part; obfuscated fonts read as plain fonts (Part::obfuscated says how they
// were stored). Every error is a PackageError naming the part.
//
// Thread safety: after Open, the reader, its PartReaders and PageCursors may
// be used from several threads; each PartReader and PageCursor by one thread
// at a time. PartReaders keep the archive open, so they may outlive the
// PackageReader; PageCursors may not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The pages of one fixed document, read from the package in order.
class PageCursor {
 public:
  virtual ~PageCursor() = default;
  // The next page, nothing after the last. Throws PackageError when the
  // package no longer reads as it did at Open.
  virtual std::optional<Page> Next() = 0;
};

class PackageReader {
 public:
  static std::unique_ptr<PackageReader> Open(const std::filesystem::path& path, const ReaderLimits& limits = {});
  virtual ~PackageReader() = default;

  virtual const Package& Model() const = 0;
  // A part by name, compared as part names are; nothing when absent.
  virtual std::optional<Part> Find(std::string_view name) const = 0;
  // Every part, in the order of the ZIP directory.
  virtual void ForEachPart(const std::function<void(const Part&)>& visit) const = 0;
  // Throws PackageError when the part is absent.
  virtual std::unique_ptr<PartReader> OpenPart(std::string_view name) const = 0;
  // A part's outgoing relationships ("/" for the package's), as Open left
  // them: those to missing extras dropped. Throws PackageError.
  virtual std::vector<Relationship> Relationships(std::string_view source) const = 0;
  // The pages of a document of Model(). Throws PackageError.
  virtual std::unique_ptr<PageCursor> Pages(const Document& document) const = 0;
  // The part names a signature's manifest references (relationships parts
  // among them); none for a signature that is not readable. Throws PackageError.
  virtual std::vector<std::string> SignedParts(const Signature& signature) const = 0;
};

}  // namespace kestrel::package
