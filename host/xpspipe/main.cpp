// xpspipe: runs the filter chain of a driver package on an XPS document, and
// answers questions about print tickets with the package's printer.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <utility>

#include "host/pipeline/host_error.h"
#include "host/pipeline/pipeline_job.h"
#include "host/print_ui/print_ui_host.h"
#include "host/xpspipe/command_line.h"
#include "host/xpspipe/job_setup.h"
#include "host/xpspipe/options_tool.h"
#include "host/xpspipe/signal_watch.h"
#include "host/xpspipe/ticket_tools.h"
#include "platform/utf.h"

namespace {

using kestrel::host::JobResult;
using kestrel::host::PipelineJob;
using kestrel::xpspipe::SignalWatch;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Documents and pages as they reach the end of the chain, on one line.
class ProgressLine {
 public:
  explicit ProgressLine(bool shown) : shown_(shown) {}
  ~ProgressLine() { End(); }
  void End() {
    if (std::exchange(drawn_, false)) std::fputc('\n', stderr);
  }
  kestrel::host::JobSink::ProgressCallback Callback() {
    if (!shown_) return {};
    return [this](const kestrel::host::SinkProgress& progress) {
      std::fprintf(stderr, "\rxpspipe: %u document%s, %u page%s", progress.documents,
                   progress.documents == 1 ? "" : "s", progress.pages, progress.pages == 1 ? "" : "s");
      drawn_ = true;
    };
  }

 private:
  const bool shown_;
  bool drawn_ = false;
};

// The filters' requests to the print UI, after the job: recorded when the
// command asks so, else run. Throws HostError.
void RunPrintUi(const kestrel::xpspipe::RunCommand& command, const std::vector<std::u16string>& requests,
                const std::filesystem::path& driver, const std::filesystem::path& output) {
  if (requests.empty()) return;
  std::ofstream record;
  if (command.print_ui_requests) {
    record.open(*command.print_ui_requests, std::ios::binary | std::ios::app);
    if (!record) throw kestrel::host::HostError(command.print_ui_requests->string() + ": cannot be written");
  }
  for (const std::u16string& text : requests) {
    if (record.is_open()) {
      record << Utf16ToUtf8(text).value_or("") << '\n';
      continue;
    }
    kestrel::print_ui::RunPrintUiRequest(kestrel::print_ui::ParsePrintUiRequest(text), driver, output);
  }
}

// A failed job prints nothing more: back sides it had listed are named.
void NameUnprintedBackSides(const std::vector<std::u16string>& requests) {
  for (const std::u16string& text : requests) {
    try {
      const std::filesystem::path list =
          kestrel::print_ui::ListedBackSides(kestrel::print_ui::ParsePrintUiRequest(text));
      if (!list.empty()) std::cerr << "xpspipe: the back sides listed in " << list.string() << " were not printed\n";
    } catch (const kestrel::host::HostError&) {
    }
  }
}

int RunJob(const kestrel::xpspipe::RunCommand& command) {
  kestrel::host::JobOptions options = kestrel::xpspipe::PrepareJob(command, std::cerr);
  ProgressLine progress(!command.quiet && isatty(STDERR_FILENO));
  options.progress = progress.Callback();
  const std::filesystem::path driver = options.library_directory;
  const std::filesystem::path output = options.output;
  PipelineJob job(std::move(options));
  SignalWatch signals(job);
  const JobResult result = job.Run();
  progress.End();
  for (const std::string& notice : result.notices) std::cerr << "xpspipe: " << notice << '\n';
  if (result.succeeded) {
    RunPrintUi(command, result.print_ui_requests, driver, output);
    return 0;
  }
  std::cerr << "xpspipe: " << result.failure << '\n';
  NameUnprintedBackSides(result.print_ui_requests);
  return signals.Received() ? 128 + signals.Received() : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kestrel::xpspipe::CommandLine line;
  try {
    line = kestrel::xpspipe::ParseCommandLine(args);
  } catch (const std::invalid_argument& error) {
    std::cerr << "xpspipe: " << error.what() << "\n(xpspipe --help tells how to use it)\n";
    return kExitUsage;
  }
  if (line.help) {
    std::cout << kestrel::xpspipe::kUsage;
    return 0;
  }
  try {
    if (line.command == kestrel::xpspipe::CommandLine::Command::kTicket)
      return kestrel::xpspipe::RunTicketTool(line.ticket, std::cout, std::cerr);
    if (line.command == kestrel::xpspipe::CommandLine::Command::kOptions)
      return kestrel::xpspipe::RunOptionsTool(line.options, std::cout);
    return RunJob(line.run);
  } catch (const kestrel::print_options::OptionError& error) {
    std::cerr << "xpspipe: " << error.what() << '\n';
    return kExitUsage;
  } catch (const kestrel::host::HostError& error) {
    std::cerr << "xpspipe: " << error.what() << '\n';
    return kExitFailure;
  }
}
