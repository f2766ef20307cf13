// Prints a document through the print chain at 150 dpi and compares the
// pages (PWG Raster through pwg-to-png, or PCLm drawn by mupdf) with mupdf's
// drawing of the XPS chain's output of the same document, or of a reference
// document that shows what the printed pages must look like. The comparison
// script's per-page report goes to the test's output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/host_test_support.h"

namespace print_fidelity {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;

inline constexpr auto kLimit = 300s;

class PrintFidelity : public ::testing::Test {
 protected:
  // Prints the document and compares; the script's report goes to the test's output.
  // options: -o NAME=VALUE pairs for both runs (the media, where the document's differs from the default).
  // reference: the document whose drawing the printed pages must match, when not the input itself.
  void Check(const fs::path& input, double minimumPercent, const std::string& config = "print",
             const std::vector<std::string>& options = {}, const fs::path& reference = {}) {
    const fs::path chain = scratch_ / "chain.xps";
    const fs::path printed = scratch_ / "printed.out";
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--output", chain.string()};
    for (const std::string& option : options) args.insert(args.end(), {"-o", option});
    args.push_back(reference.empty() ? input.string() : reference.string());
    ProcessResult run = RunProcess(args, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    args = {KESTREL_XPSPIPE, "run", "--config", config, "-o", "printer-resolution=150dpi", "--quiet",
            "--output", printed.string()};
    for (const std::string& option : options) args.insert(args.end(), {"-o", option});
    args.push_back(input.string());
    run = RunProcess(args, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    print_errors_ = run.err;
    if (config == "print-pclm")
      run = RunProcess({"/usr/bin/mutool", "draw", "-q", "-r", "150", "-o", (scratch_ / "page-%d.png").string(),
                        printed.string()},
                       kLimit);
    else
      run = RunProcess({KESTREL_PWG_TO_PNG, printed.string(), (scratch_ / "page").string()}, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const ProcessResult compared =
        RunProcess({"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/converter/print_fidelity.py", chain.string(),
                    (scratch_ / "page").string(), "150", std::to_string(minimumPercent)},
                   kLimit);
    std::printf("%s: %s", input.filename().c_str(), compared.out.c_str());
    EXPECT_EQ(compared.exit_code, 0) << compared.out << compared.err;
  }

  ScratchDir scratch_;
  std::string print_errors_;  // what the print run wrote to stderr
};

}  // namespace print_fidelity
