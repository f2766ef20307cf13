#include "host/xpspipe/command_line.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace kestrel::xpspipe {

const char* const kUsage =
    "usage: xpspipe run [options] IN [OUT]\n"
    "       xpspipe options [--driver DIR] [--json]\n"
    "       xpspipe ticket merge [--driver DIR] [--text|--json] BASE DELTA\n"
    "       xpspipe ticket capabilities [--driver DIR] [--text|--json] TICKET\n"
    "       xpspipe ticket devmode [--driver DIR] [--json] TICKET\n"
    "       xpspipe ticket show [--driver DIR] TICKET\n"
    "       xpspipe ticket default [--driver DIR] [--text|--json]\n"
    "       xpspipe --help\n"
    "\n"
    "run: runs the filter chain of a driver package on the XPS document IN and writes\n"
    "OUT (default: IN's name with -out.xps, or .prn for printer data).\n"
    "\n"
    "  -o NAME=VALUE       a print option, as lp takes it (-o NAME alone for a switch;\n"
    "                      several in one argument, separated by spaces); xpspipe options\n"
    "                      lists them. Options apply on top of the job's own ticket.\n"
    "  --driver DIR        driver package (default: the bundled reference package)\n"
    "  --config NAME       pipeline configuration: DIR/pipelines/NAME.xml, or a file path\n"
    "                      (default: xps, the chain without the rip filter)\n"
    "  --ticket FILE       the user's default print ticket (default: the package's)\n"
    "  --job-ticket FILE   print ticket of the job: replaces the document sequence's ticket\n"
    "  --filters A,B,...   run only these filters (names or library names), in configured order\n"
    "  --property K=V      set a pipeline property; K:TYPE=V with TYPE int, uint, bool or string\n"
    "  --output OUT        the output file, instead of the second argument\n"
    "  --submitted TIME    the job's submission time, UTC: 2024-03-09T13:05:07Z (default: now)\n"
    "  --quiet             no progress on stderr\n"
    "\n"
    "options: every print option the printer of the driver package (--driver DIR) takes,\n"
    "with its values (the default marked *), as text or --json.\n"
    "\n"
    "ticket: asks the print ticket provider, with the printer of the driver package\n"
    "(--driver DIR, default the bundled one), about print ticket files:\n"
    "  merge         DELTA merged onto BASE and validated, as the filters merge tickets\n"
    "  capabilities  the printer's PrintCapabilities for TICKET (printable area of its media)\n"
    "  devmode       the DEVMODE fields TICKET stands for, as text (or --json)\n"
    "  show          as JSON, every settings record the filters read from TICKET\n"
    "  default       the printer's default ticket\n"
    "  merge, capabilities and default print the XML document, or a description of it\n"
    "  with --text or --json. Resolved conflicts are reported on stderr.\n"
    "\n"
    "Exit status: 0 success (for run, only when the whole job succeeded; on failure no\n"
    "output is left), 1 failure (a ticket that is not a print ticket, a file that cannot\n"
    "be read, a failed job), 2 a wrong command line or print option.\n";

namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    if (comma > start) items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

// "YYYY-MM-DDTHH:MM:SSZ", a valid UTC time.
SYSTEMTIME ParseSubmitted(const std::string& text) {
  SYSTEMTIME time{};
  unsigned fields[6] = {};
  char zone = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c%n", &fields[0], &fields[1], &fields[2], &fields[3],
                  &fields[4], &fields[5], &zone, &used) != 7 ||
      zone != 'Z' || static_cast<std::size_t>(used) != text.size())
    throw std::invalid_argument("--submitted wants a UTC time like 2024-03-09T13:05:07Z, not \"" + text + "\"");
  WORD* targets[] = {&time.wYear, &time.wMonth, &time.wDay, &time.wHour, &time.wMinute, &time.wSecond};
  for (std::size_t i = 0; i < 6; ++i) *targets[i] = static_cast<WORD>(fields[i]);
  FILETIME checked{};
  if (!SystemTimeToFileTime(&time, &checked)) throw std::invalid_argument("--submitted: no such time \"" + text + "\"");
  FileTimeToSystemTime(&checked, &time);  // fills the day of the week
  return time;
}

PropertyOverride ParseProperty(const std::string& text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0)
    throw std::invalid_argument("--property wants KEY=VALUE, not \"" + text + "\"");
  PropertyOverride property;
  property.name = text.substr(0, equals);
  property.value = text.substr(equals + 1);
  if (const std::size_t colon = property.name.find(':'); colon != std::string::npos) {
    property.type = property.name.substr(colon + 1);
    property.name.resize(colon);
    if (property.name.empty()) throw std::invalid_argument("--property: empty name in \"" + text + "\"");
  }
  return property;
}

class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}
  bool Done() const { return next_ >= args_.size(); }
  const std::string& Take() { return args_[next_++]; }
  const std::string& Value(const std::string& option) {
    if (Done()) throw std::invalid_argument(option + " needs a value");
    return Take();
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
};

RunCommand ParseRun(ArgumentCursor& cursor) {
  RunCommand run;
  std::vector<std::filesystem::path> files;
  while (!cursor.Done()) {
    const std::string& arg = cursor.Take();
    if (arg == "--driver") {
      run.driver = cursor.Value(arg);
    } else if (arg == "--config") {
      run.config = cursor.Value(arg);
    } else if (arg == "--ticket") {
      run.ticket = cursor.Value(arg);
    } else if (arg == "--job-ticket") {
      run.job_ticket = cursor.Value(arg);
    } else if (arg == "--filters") {
      run.filters = SplitList(cursor.Value(arg));
      if (run.filters.empty()) throw std::invalid_argument("--filters names no filter");
    } else if (arg == "--property") {
      run.properties.push_back(ParseProperty(cursor.Value(arg)));
    } else if (arg == "-o" || (arg.starts_with("-o") && arg.size() > 2)) {
      const std::string text = arg == "-o" ? cursor.Value(arg) : arg.substr(2);
      for (print_options::PrintOption& option : print_options::SplitPrintOptions(text))
        run.print_options.push_back(std::move(option));
    } else if (arg == "--output") {
      run.output = cursor.Value(arg);
    } else if (arg == "--submitted") {
      run.submitted = ParseSubmitted(cursor.Value(arg));
    } else if (arg == "--quiet" || arg == "-q") {
      run.quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw std::invalid_argument("unknown option " + arg);
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.empty()) throw std::invalid_argument("run needs an input document");
  if (files.size() > 2 || (files.size() == 2 && run.output))
    throw std::invalid_argument("run takes one input document and one output file (got " +
                                std::to_string(files.size() + (run.output ? 1 : 0)) + " files)");
  run.input = files[0];
  if (files.size() == 2) run.output = files[1];
  return run;
}

TicketCommand::Tool ParseTool(const std::string& name) {
  using Tool = TicketCommand::Tool;
  if (name == "merge") return Tool::kMerge;
  if (name == "capabilities") return Tool::kCapabilities;
  if (name == "devmode") return Tool::kDevMode;
  if (name == "show") return Tool::kShow;
  if (name == "default") return Tool::kDefault;
  throw std::invalid_argument("unknown ticket tool \"" + name + "\" (merge, capabilities, devmode, show or default)");
}

std::size_t TicketsWanted(TicketCommand::Tool tool) {
  switch (tool) {
    case TicketCommand::Tool::kMerge:
      return 2;
    case TicketCommand::Tool::kDefault:
      return 0;
    default:
      return 1;
  }
}

TicketCommand ParseTicket(ArgumentCursor& cursor) {
  using Format = TicketCommand::Format;
  using Tool = TicketCommand::Tool;
  if (cursor.Done()) throw std::invalid_argument("ticket needs a tool (merge, capabilities, devmode, show or default)");
  TicketCommand ticket;
  const std::string tool = cursor.Take();
  ticket.tool = ParseTool(tool);
  std::optional<Format> format;
  while (!cursor.Done()) {
    const std::string& arg = cursor.Take();
    if (arg == "--driver") {
      ticket.driver = cursor.Value(arg);
    } else if (arg == "--json" || arg == "--text") {
      const Format wanted = arg == "--json" ? Format::kJson : Format::kText;
      if (format && *format != wanted) throw std::invalid_argument("--text and --json exclude each other");
      format = wanted;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw std::invalid_argument("unknown option " + arg);
    } else {
      ticket.tickets.emplace_back(arg);
    }
  }
  if (ticket.tool == Tool::kShow && format == Format::kText)
    throw std::invalid_argument("ticket show writes JSON only");
  const Format fallback = ticket.tool == Tool::kDevMode ? Format::kText
                          : ticket.tool == Tool::kShow  ? Format::kJson
                                                        : Format::kXml;
  ticket.format = format.value_or(fallback);
  const std::size_t wanted = TicketsWanted(ticket.tool);
  if (ticket.tickets.size() != wanted)
    throw std::invalid_argument("ticket " + tool + " takes " +
                                (wanted == 0 ? std::string("no ticket file")
                                 : wanted == 1 ? std::string("one ticket file")
                                               : std::string("two ticket files (BASE DELTA)")) +
                                ", not " + std::to_string(ticket.tickets.size()));
  return ticket;
}

OptionsCommand ParseOptions(ArgumentCursor& cursor) {
  OptionsCommand options;
  while (!cursor.Done()) {
    const std::string& arg = cursor.Take();
    if (arg == "--driver")
      options.driver = cursor.Value(arg);
    else if (arg == "--json")
      options.json = true;
    else
      throw std::invalid_argument("options takes --driver DIR and --json only, not " + arg);
  }
  return options;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") line.help = true;
  if (line.help) return line;
  ArgumentCursor cursor(args);
  if (cursor.Done()) throw std::invalid_argument("no command given");
  const std::string& command = cursor.Take();
  if (command == "help") {
    line.help = true;
  } else if (command == "run") {
    line.run = ParseRun(cursor);
  } else if (command == "ticket") {
    line.command = CommandLine::Command::kTicket;
    line.ticket = ParseTicket(cursor);
  } else if (command == "options") {
    line.command = CommandLine::Command::kOptions;
    line.options = ParseOptions(cursor);
  } else {
    throw std::invalid_argument("unknown command \"" + command + "\"");
  }
  return line;
}

}  // namespace kestrel::xpspipe
