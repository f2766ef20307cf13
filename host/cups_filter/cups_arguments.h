// The command line CUPS runs a filter with: job-id user title copies options
// [file], the document on standard input when no file is named.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace kestrel::cups_filter {

struct CupsArguments {
  std::uint32_t job_id = 0;
  std::string user;
  std::string title;
  int copies = 1;
  std::string options;  // "name=value name ..." as CUPS writes them
  std::optional<std::filesystem::path> file;
};

// args: argv[1..]. Throws std::invalid_argument with a message for the log.
CupsArguments ParseCupsArguments(std::span<const char* const> args);

}  // namespace kestrel::cups_filter
