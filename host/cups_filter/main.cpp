// kestrel-xps: the CUPS filter of the reference driver. CUPS runs it with
// job-id user title copies options [file] on an XPS or OpenXPS document; it
// runs the driver package's print chain on it, as `xpspipe run --config print`
// does, and writes the printer data (PWG Raster) on standard output. The log
// lines CUPS reads go to standard error: INFO: and ERROR: for the job's
// messages, PAGE: for each page, ATTR: job-impressions at the end, DEBUG: for
// the rest. Every file it makes is in CUPS's temporary folder (TMPDIR).
//
// KESTREL_CUPS_CONFIG=xps (in the environment; for tests) runs the XPS chain
// instead and writes the resulting XPS package.
#include <cups/backend.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host/cups_filter/cups_arguments.h"
#include "host/cups_filter/cups_options.h"
#include "host/cups_filter/staged_input.h"
#include "host/pipeline/host_error.h"
#include "host/pipeline/pipeline_job.h"
#include "host/print_ui/print_ui_host.h"
#include "host/xpspipe/job_setup.h"
#include "host/xpspipe/signal_watch.h"

namespace {

using kestrel::cups_filter::CupsArguments;
using kestrel::host::HostError;

// One log line per message line: CUPS reads standard error line by line.
void Log(const char* level, const std::string& message) {
  std::istringstream lines(message);
  for (std::string line; std::getline(lines, line);) std::fprintf(stderr, "%s: %s\n", level, line.c_str());
}

std::string ChainName() {
  const char* config = std::getenv("KESTREL_CUPS_CONFIG");
  return config && std::string(config) == "xps" ? "xps" : "print";
}

// Copies a finished XPS package to standard output.
void SendFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::cout << in.rdbuf();
  std::cout.flush();
  if (!in || !std::cout) throw HostError("cannot write the job's output to standard output");
}

int RunJob(const CupsArguments& arguments) {
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  const kestrel::cups_filter::StagedInput input(arguments.file, temp);
  const kestrel::cups_filter::CupsOptions options =
      kestrel::cups_filter::PrintOptionsFromCups(arguments.options, arguments.copies);
  if (!options.ignored.empty()) {
    std::string names;
    for (const std::string& name : options.ignored) names += " " + name;
    Log("DEBUG", "not print options of this printer:" + names);
  }
  kestrel::xpspipe::RunCommand command;
  command.config = ChainName();
  command.print_options = options.options;
  command.input = input.Path();
  // Only an XPS chain writes a file: its package, copied out at the end.
  const bool xps = command.config == "xps";
  if (xps) command.output = kestrel::cups_filter::PrivateTempFile(temp, ".xps");
  struct RemoveOutput {
    std::optional<std::filesystem::path> file;
    ~RemoveOutput() {
      if (file) std::filesystem::remove(*file);
    }
  } output{command.output};

  std::ostringstream notes;
  kestrel::host::JobOptions job_options = kestrel::xpspipe::PrepareJob(command, notes, "");
  Log("INFO", notes.str());
  job_options.identity.job_id = arguments.job_id;
  job_options.identity.document_name = arguments.title;
  job_options.identity.user_name = arguments.user;
  if (!xps) job_options.output_descriptor = STDOUT_FILENO;
  std::uint32_t pages = 0;
  job_options.progress = [&pages](const kestrel::host::SinkProgress& progress) {
    while (pages < progress.pages) std::fprintf(stderr, "PAGE: %u 1\n", ++pages);
  };
  kestrel::host::PipelineJob job(std::move(job_options));
  kestrel::host::JobResult result;
  {
    kestrel::xpspipe::SignalWatch signals(job);
    result = job.Run();
  }
  for (const std::string& notice : result.notices) Log("DEBUG", notice);
  if (!result.succeeded) {
    Log("ERROR", result.failure);
    return CUPS_BACKEND_FAILED;
  }
  // A queue has no print UI to send a manual-duplex job's back sides once the stack is turned.
  if (!result.print_ui_requests.empty()) {
    const std::filesystem::path list =
        kestrel::print_ui::ListedBackSides(kestrel::print_ui::ParsePrintUiRequest(result.print_ui_requests.front()));
    Log("ERROR", "a CUPS queue prints no back sides by hand (print two-sided with -o sides alone); they are listed in " +
                     list.string());
    return CUPS_BACKEND_FAILED;
  }
  if (xps) SendFile(*command.output);
  std::fprintf(stderr, "ATTR: job-impressions=%u\n", pages);
  Log("INFO", "printed " + std::to_string(pages) + (pages == 1 ? " page" : " pages"));
  return CUPS_BACKEND_OK;
}

}  // namespace

int main(int argc, char** argv) {
  // Log lines must not wait in a buffer behind the printer data.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  try {
    const CupsArguments arguments = kestrel::cups_filter::ParseCupsArguments({argv + 1, argv + argc});
    return RunJob(arguments);
  } catch (const std::invalid_argument& error) {
    Log("ERROR", error.what());
  } catch (const kestrel::print_options::OptionError& error) {
    Log("ERROR", error.what());
  } catch (const HostError& error) {
    Log("ERROR", error.what());
  } catch (const std::exception& error) {
    Log("ERROR", error.what());
  }
  return CUPS_BACKEND_FAILED;
}
