// The package's manual-duplex program on its own: the order of the back
// sides, a person at a terminal, and what it leaves when it cannot go on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "tests/host/host_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using ::testing::HasSubstr;

constexpr auto kLimit = 60s;

class ManualDuplexProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    // Twelve backs, listed out of order: key 10 must follow key 9.
    std::string list = "[FileList]\n";
    for (const int key : {10, 2, 1, 12, 3, 4, 5, 6, 7, 8, 9, 11}) {
      WriteFile(Back(key), "back " + std::to_string(key) + "\n");
      list += std::to_string(key) + "=" + Back(key).string() + "\n";
    }
    WriteFile(List(), list);
    WriteFile(Out(), "fronts\n");
    setenv("KESTREL_JOB_OUTPUT", Out().c_str(), 1);
  }
  void TearDown() override { unsetenv("KESTREL_JOB_OUTPUT"); }

  static std::string Backs() {
    std::string all;
    for (int key = 1; key <= 12; ++key) all += "back " + std::to_string(key) + "\n";
    return all;
  }
  ProcessResult AtTerminal(const char* answer) {
    return RunProcess({"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/driver/at_terminal.py", answer,
                       KESTREL_MANUAL_DUPLEX_PROGRAM, "1041", List().string()},
                      kLimit);
  }
  fs::path Back(int key) const { return scratch_ / ("back" + std::to_string(key) + ".prn"); }
  fs::path List() const { return scratch_ / "kv1.tmp"; }
  fs::path Out() const { return scratch_ / "out.prn"; }

  ScratchDir scratch_;
};

TEST_F(ManualDuplexProgram, WithoutATerminalAppendsTheBacksInKeyOrderAndRemovesThem) {
  const ProcessResult run = RunProcess({KESTREL_MANUAL_DUPLEX_PROGRAM, "1041", List().string()}, kLimit);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(Out()), "fronts\n" + Backs());
  EXPECT_FALSE(fs::exists(List()));
  EXPECT_FALSE(fs::exists(Back(10)));
}

TEST_F(ManualDuplexProgram, AtATerminalSaysHowToTurnTheStackAndWaitsForEnter) {
  const ProcessResult run = AtTerminal("enter");
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("turn the stack over from left to right (about its long edge"));
  EXPECT_THAT(run.out, HasSubstr("Press Enter to print the 12 back sides"));
  EXPECT_EQ(ReadFile(Out()), "fronts\n" + Backs());
  EXPECT_FALSE(fs::exists(List()));
}

TEST_F(ManualDuplexProgram, WhatStopsItLeavesTheBacksAndNamesTheirList) {
  struct Case {
    const char* what;
    std::function<ProcessResult()> run;
    std::string says;
    int status;
  };
  const Case cases[] = {
      {"the end of input at the terminal", [&] { return AtTerminal("eof"); }, "stopped", 1},
      {"a missing back",
       [&] {
         fs::rename(Back(7), scratch_ / "gone");
         return RunProcess({KESTREL_MANUAL_DUPLEX_PROGRAM, "1041", List().string()}, kLimit);
       },
       "cannot read the back side " + Back(7).string(), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProcessResult run = c.run();
    EXPECT_EQ(run.exit_code, c.status);
    EXPECT_THAT(run.out + run.err, HasSubstr("kvmanualduplex: " + c.says + "; the back sides are listed in " +
                                             List().string()));
    EXPECT_TRUE(fs::exists(List()));
    EXPECT_TRUE(fs::exists(Back(12)));
  }
  const ProcessResult usage = RunProcess({KESTREL_MANUAL_DUPLEX_PROGRAM, List().string()}, kLimit);
  EXPECT_EQ(usage.exit_code, 2);
}

}  // namespace
