// The command line of xpspipe.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::xpspipe {

struct PropertyOverride {
  std::string name;
  std::optional<std::string> type;  // "NAME:TYPE=VALUE"; else the configured type, else string
  std::string value;
};

struct RunCommand {
  std::optional<std::filesystem::path> driver;
  std::string config = "xps";
  std::optional<std::filesystem::path> ticket;
  std::optional<std::filesystem::path> job_ticket;
  std::vector<std::string> filters;
  std::vector<PropertyOverride> properties;
  std::optional<std::filesystem::path> output;
  bool quiet = false;
  std::filesystem::path input;
};

struct CommandLine {
  bool help = false;
  RunCommand run;
};

// Throws std::invalid_argument with a message for the user.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace kestrel::xpspipe
