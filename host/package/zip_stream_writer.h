// A ZIP file written front to back with minizip: one item at a time, its
// bytes compressed as they come, so nothing waits in memory for the close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrel::package {

class ZipStreamWriter {
 public:
  // Creates (or truncates) the file; throws PackageError naming it.
  explicit ZipStreamWriter(const std::filesystem::path& path);
  ~ZipStreamWriter();  // closes what is open, ignoring errors
  ZipStreamWriter(const ZipStreamWriter&) = delete;
  ZipStreamWriter& operator=(const ZipStreamWriter&) = delete;

  // level 0 stores; large allows an item of 4 GiB or more. `part` names the part in errors.
  void BeginItem(const std::string& item_name, int level, bool large, const std::string& part);
  void Write(const void* data, std::size_t size);
  void EndItem();
  // Writes the central directory; throws PackageError when the file could not be completed.
  void Close();

 private:
  void* zip_;  // minizip's zipFile
  std::filesystem::path path_;
  std::string part_;  // of the open item, for errors
  bool item_open_ = false;
  std::uint64_t items_ = 0;
};

}  // namespace kestrel::package
