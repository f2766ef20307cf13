// Starting programs and waiting for them: the command-line rule, the program
// as it sees its arguments, and what fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/utf.h"

namespace {

namespace fs = std::filesystem;

class ProcessTest : public ::testing::Test {
 protected:
  ProcessTest() {
    std::string pattern = (fs::temp_directory_path() / "kestrel-process-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
  }
  ~ProcessTest() override { fs::remove_all(folder_); }

  // A script that writes its argv[0] and arguments, one a line, to args.txt
  // beside it, after a pause (so that the file proves the wait).
  fs::path Script(const std::string& name, const std::string& pause = "0.2") {
    const fs::path script = folder_ / name;
    std::ofstream(script) << "#!/bin/sh\nsleep " << pause
                          << "\nfor a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args.txt\"\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
  }
  std::string Recorded() const {
    std::ifstream in(folder_ / "args.txt");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text).value(); }

  BOOL Start(const std::u16string& program, std::u16string line, PROCESS_INFORMATION* process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, process);
  }

  fs::path folder_;
};

TEST(CommandLine, SplitsAtBlanksOutsideQuotes) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"1041 /spool/kv12.tmp", {"1041", "/spool/kv12.tmp"}},
      {"  a \t b  ", {"a", "b"}},
      {"1041 \"/tmp/my files/kv1.tmp\"", {"1041", "/tmp/my files/kv1.tmp"}},
      {"a\"b c\"d e", {"ab cd", "e"}},
      {"\"\" x", {"", "x"}},
      {"C:\\spool\\kv12.tmp", {"C:\\spool\\kv12.tmp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line), c.arguments);
  }
  EXPECT_EQ(SplitCommandLine("a \"b c"), std::nullopt);
}

TEST_F(ProcessTest, TheProgramGetsItsPathAndTheSplitArgumentsAndIsWaitedFor) {
  const fs::path script = Script("record args.sh");
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(Start(Wide(script.string()), u"1041 \"/tmp/my files/kv1.tmp\" last", &process)) << GetLastError();
  EXPECT_NE(process.dwProcessId, 0u);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(Recorded(), script.string() + "\n1041\n/tmp/my files/kv1.tmp\nlast\n");
  // Waiting again, on either handle, returns at once.
  EXPECT_EQ(WaitForSingleObject(process.hThread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(process.hProcess));
  EXPECT_TRUE(CloseHandle(process.hThread));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(process.hThread));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ProcessTest, AWaitWithATimeOutEndsWithTheTimeOut) {
  const fs::path script = Script("slow.sh", "2");
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(Start(Wide(script.string()), u"", &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 50), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(Recorded(), script.string() + "\n");
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

TEST_F(ProcessTest, WhatCannotStartSaysWhy) {
  const fs::path script = Script("fine.sh");
  const fs::path plain = folder_ / "not executable";
  std::ofstream(plain) << "#!/bin/sh\n";
  struct Case {
    const char* what;
    std::u16string program;
    std::u16string line;
    DWORD error;
  };
  const Case cases[] = {
      {"missing", Wide((folder_ / "missing").string()), u"", ERROR_FILE_NOT_FOUND},
      {"a folder", Wide(folder_.string() + "/"), u"1041 /tmp/kv.tmp", ERROR_ACCESS_DENIED},
      {"not executable", Wide(plain.string()), u"", ERROR_ACCESS_DENIED},
      {"no program", u"", u"x", ERROR_INVALID_PARAMETER},
      {"an unclosed quote", Wide(script.string()), u"\"open", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PROCESS_INFORMATION process{};
    SetLastError(0);
    EXPECT_FALSE(Start(c.program, c.line, &process));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(process.hProcess, nullptr);
  }
  int stray = 0;
  EXPECT_EQ(WaitForSingleObject(&stray, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
