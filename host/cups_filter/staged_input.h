// The document a CUPS filter reads: the file CUPS names, or standard input
// copied into a private file of the temporary folder (a package is read at
// random, a pipe cannot be). The copy is removed with this object.
#pragma once

#include <filesystem>
#include <optional>

namespace kestrel::cups_filter {

class StagedInput {
 public:
  // Throws host::HostError when standard input cannot be copied.
  StagedInput(const std::optional<std::filesystem::path>& file, const std::filesystem::path& temp_folder);
  ~StagedInput();
  StagedInput(const StagedInput&) = delete;
  StagedInput& operator=(const StagedInput&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  bool copied_ = false;
};

// A private file name in folder (made empty, owner-only); throws host::HostError.
std::filesystem::path PrivateTempFile(const std::filesystem::path& folder, const std::string& suffix);

}  // namespace kestrel::cups_filter
