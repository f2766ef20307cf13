// The command line of xpspipe.
#pragma once

#include "platform/system_time.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/print_options/print_options.h"

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
  std::vector<print_options::PrintOption> print_options;  // -o, in the order given
  std::optional<std::filesystem::path> output;
  std::optional<SYSTEMTIME> submitted;  // UTC, from --submitted
  bool quiet = false;
  std::filesystem::path input;
};

// xpspipe ticket TOOL: the print ticket provider of a driver package's printer, from outside.
struct TicketCommand {
  enum class Tool { kMerge, kCapabilities, kDevMode, kShow, kDefault };
  enum class Format { kXml, kText, kJson };
  Tool tool = Tool::kShow;
  std::optional<std::filesystem::path> driver;
  Format format = Format::kXml;  // kText for devmode unless --json; kJson for show
  std::vector<std::filesystem::path> tickets;  // two for merge (base, delta), none for default, else one
};

// xpspipe options: the print options the printer takes.
struct OptionsCommand {
  std::optional<std::filesystem::path> driver;
  bool json = false;
};

struct CommandLine {
  enum class Command { kRun, kTicket, kOptions };
  bool help = false;
  Command command = Command::kRun;
  RunCommand run;
  TicketCommand ticket;
  OptionsCommand options;
};

// Throws std::invalid_argument with a message for the user.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace kestrel::xpspipe
