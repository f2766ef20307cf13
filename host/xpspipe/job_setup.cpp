#include "host/xpspipe/job_setup.h"

#include <algorithm>
#include <fstream>

#include "host/package/package_error.h"
#include "host/package/xps_package_reader.h"
#include "host/pipeline/host_error.h"
#include "host/print_options/print_options.h"
#include "host/xpspipe/opened_printer.h"

namespace kestrel::xpspipe {
namespace {

using host::HostError;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

bool Names(const host::FilterEntry& filter, const std::string& wanted) {
  const std::string name = Lower(wanted);
  return name == Lower(filter.name) || name == Lower(filter.dll) ||
         name == Lower(std::filesystem::path(filter.dll).stem().string());
}

std::vector<host::FilterEntry> SelectFilters(const std::vector<host::FilterEntry>& configured,
                                             const std::vector<std::string>& wanted) {
  if (wanted.empty()) return configured;
  for (const std::string& name : wanted)
    if (std::none_of(configured.begin(), configured.end(), [&](const auto& f) { return Names(f, name); })) {
      std::string known;
      for (const host::FilterEntry& filter : configured)
        known += (known.empty() ? "" : ", ") + std::filesystem::path(filter.dll).stem().string();
      throw HostError("--filters: no filter " + name + " in the configuration (it has " + known + ")");
    }
  std::vector<host::FilterEntry> chosen;
  for (const host::FilterEntry& filter : configured)
    if (std::any_of(wanted.begin(), wanted.end(), [&](const std::string& name) { return Names(filter, name); }))
      chosen.push_back(filter);
  return chosen;
}

std::string TypeOf(const host::PropertyValue& value) {
  static const char* const kTypes[] = {"int", "uint", "bool", "string"};
  return kTypes[value.index()];
}

void ApplyOverrides(std::vector<host::ConfiguredProperty>& properties, const std::vector<PropertyOverride>& overrides) {
  for (const PropertyOverride& property : overrides) {
    const auto configured = std::find_if(properties.begin(), properties.end(),
                                         [&](const auto& p) { return p.name == property.name; });
    const std::string type =
        property.type.value_or(configured == properties.end() ? "string" : TypeOf(configured->value));
    host::PropertyValue value = host::ParsePropertyValue(type, property.value, "--property " + property.name);
    if (configured == properties.end())
      properties.push_back({property.name, std::move(value)});
    else
      configured->value = std::move(value);
  }
}

std::filesystem::path ConfigPath(const std::filesystem::path& driver, const std::string& config) {
  if (config.find('/') != std::string::npos || std::filesystem::path(config).extension() == ".xml") return config;
  return driver / "pipelines" / (config + ".xml");
}

std::filesystem::path DefaultOutput(const std::filesystem::path& input, bool bytes) {
  std::filesystem::path output = input;
  output.replace_filename(input.stem().string() + (bytes ? "-out.prn" : "-out.xps"));
  return output;
}

// Tickets are small documents; this bounds what a wrong file name reads.
constexpr std::uintmax_t kMaxTicketBytes = 16 << 20;

// The print tickets the input package carries for its sequence and documents.
struct PackageTickets {
  std::optional<std::string> sequence;
  std::vector<print_options::DocumentTicket> documents;
};

PackageTickets TicketsOf(const std::filesystem::path& input) {
  try {
    const auto reader = package::PackageReader::Open(input);
    const auto read = [&](const std::string& name) {
      const auto part = reader->OpenPart(name);
      std::string bytes;
      char buffer[65536];
      while (const std::size_t n = part->Read(buffer, sizeof buffer)) {
        bytes.append(buffer, n);
        if (bytes.size() > kMaxTicketBytes) throw HostError(input.string() + ": " + name + ": too large to be a print ticket");
      }
      return bytes;
    };
    PackageTickets tickets;
    if (const std::optional<std::string>& name = reader->Model().sequence.ticket) tickets.sequence = read(*name);
    for (const package::Document& document : reader->Model().sequence.documents)
      if (document.ticket) tickets.documents.push_back({document.name, read(*document.ticket)});
    return tickets;
  } catch (const package::PackageError& error) {
    // An error of the whole package names the file already.
    throw HostError(error.Part() == input.string() ? error.what() : input.string() + ": " + error.what());
  }
}

// The job's ticket with the print options applied: on the --job-ticket file,
// else on the sequence's own ticket (then marked as its extension).
void ApplyPrintOptions(const RunCommand& command, const std::filesystem::path& driver, host::JobOptions& options,
                       std::ostream& notes, std::string_view note_prefix) {
  PackageTickets package = TicketsOf(command.input);
  const std::optional<std::string> own = options.job_ticket ? std::nullopt : package.sequence;
  const std::string user(options.user_ticket.begin(), options.user_ticket.end());
  std::optional<std::string> job = own;
  if (options.job_ticket) job.emplace(options.job_ticket->begin(), options.job_ticket->end());
  const OpenedPrinter printer(driver);
  print_options::OptionedTicket edited;
  try {
    edited = print_options::ApplyPrintOptions(printer.Provider(), command.print_options, user, job, package.documents);
  } catch (const print_options::OptionError&) {
    throw;
  } catch (const std::runtime_error& error) {
    throw HostError(error.what());
  }
  for (const std::string& note : edited.notes) notes << note_prefix << note << '\n';
  options.job_ticket = std::vector<BYTE>(edited.job_ticket.begin(), edited.job_ticket.end());
  options.job_ticket_extends_sequence = own.has_value();
}

}  // namespace

std::vector<BYTE> ReadTicket(const std::filesystem::path& file) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error) throw HostError(file.string() + ": cannot read the print ticket (" + error.message() + ")");
  if (size > kMaxTicketBytes) throw HostError(file.string() + ": too large to be a print ticket");
  std::ifstream in(file, std::ios::binary);
  std::vector<BYTE> bytes(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
    throw HostError(file.string() + ": cannot read the print ticket");
  return bytes;
}

std::filesystem::path BundledDriver() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error)
    for (std::filesystem::path dir = program.parent_path(); !dir.empty(); dir = dir.parent_path()) {
      for (const std::filesystem::path& package : {dir / "driver", dir / "lib" / "kestrel" / "driver"})
        if (std::filesystem::exists(package / "pipelines")) return package;
      if (dir == dir.parent_path()) break;
    }
  throw HostError("no bundled driver package beside the program: name one with --driver");
}

host::JobOptions PrepareJob(const RunCommand& command, std::ostream& notes, std::string_view note_prefix) {
  print_options::CheckOptionNames(command.print_options);
  const std::filesystem::path driver = command.driver.value_or(BundledDriver());
  if (!std::filesystem::is_directory(driver)) throw HostError(driver.string() + ": no driver package here");
  const host::PipelineConfig config = host::LoadPipelineConfig(ConfigPath(driver, command.config));
  host::JobOptions options;
  options.filters = SelectFilters(config.filters, command.filters);
  host::CheckChain(options.filters);
  options.properties = config.properties;
  ApplyOverrides(options.properties, command.properties);
  options.library_directory = std::filesystem::absolute(driver);
  options.input = command.input;
  options.output = command.output.value_or(
      DefaultOutput(command.input, options.filters.back().output == host::PortKind::kBytes));
  options.printer = host::LoadDriverPrinter(driver);
  options.identity.submitted = command.submitted;
  options.user_ticket = ReadTicket(command.ticket.value_or(driver / "tickets" / "default-user.xml"));
  if (command.job_ticket) options.job_ticket = ReadTicket(*command.job_ticket);
  if (!command.print_options.empty()) ApplyPrintOptions(command, driver, options, notes, note_prefix);
  return options;
}

}  // namespace kestrel::xpspipe
