// A real print queue: a private cupsd on loopback (its own configuration,
// port and folders, stopped at the end) with a queue for the reference
// printer, made with lpadmin and the generated PPD, whose device is a
// virtual IPP Everywhere printer (ippeveprinter, keeping the jobs it
// receives). lp sends corpus documents with options; what the printer gets
// is compared with `xpspipe run --config print` of the same document and
// options, and a malformed document fails its job with the filter's ERROR:
// line in CUPS's log while the queue goes on with the next job.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <regex>

#include "tests/cups/cups_test_support.h"

namespace {

using namespace kestrel::cups_test;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::WriteFile;
using ::testing::HasSubstr;

constexpr auto kJobLimit = std::chrono::seconds(240);

// A loopback port nobody listens on now.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  close(s);
  return ntohs(address.sin_port);
}

bool Listening(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return connected;
}

// Waits until ready() holds; false after the limit.
template <class Ready>
bool WaitFor(Ready ready, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// A daemon of the test: started with extra environment, its output in log,
// stopped (SIGTERM, then SIGKILL) and reaped when the object goes.
class Daemon {
 public:
  Daemon(const std::vector<std::string>& argv, const std::vector<std::string>& environment, const fs::path& log) {
    std::vector<std::string> env = environment;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Daemon() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) != 0; }, std::chrono::seconds(10))) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;
  bool Running() const { return pid_ > 0 && kill(pid_, 0) == 0; }

 private:
  pid_t pid_ = -1;
};

// The private CUPS: a message bus for ippeveprinter's service announcements
// (nothing else listens on it), ippeveprinter, cupsd. CUPS's command-line
// tools reach this cupsd through CUPS_SERVER.
class PrivateCups : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"/usr/sbin/cupsd", "/usr/sbin/ippeveprinter", "/usr/bin/dbus-daemon", "/usr/bin/lp"})
      if (!HaveCups(program)) GTEST_SKIP() << program << " is missing (scripts/setup installs it)";
    document_ = Corpus("oxps/mb01.oxps");
    if (!fs::exists(document_) || !fs::exists(Corpus("xps/mb06.xps")))
      GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
    // CUPS's unprivileged user runs the filter and backend from in here.
    chmod(scratch_.Path().c_str(), 0755);
    const fs::path base = scratch_ / "cups";
    for (const char* dir : {"spool", "cache", "state", "log", "sink"}) fs::create_directories(base / dir);
    const fs::path conf = MakeCupsFolders(
        base, "RequestRoot " + (base / "spool").string() + "\nCacheDir " + (base / "cache").string() +
                  "\nStateDir " + (base / "state").string() + "\nAccessLog " + (base / "log/access_log").string() +
                  "\nErrorLog " + error_log().string() + "\nPageLog " + (base / "log/page_log").string() +
                  "\nPrintcap " + (base / "printcap").string() +
                  "\nDataDir /usr/share/cups\nDocumentRoot /usr/share/cups/doc-root\n");
    cups_port_ = FreePort();
    WriteFile(base / "root/cupsd.conf", "Listen 127.0.0.1:" + std::to_string(cups_port_) +
                                            "\nLogLevel debug\nDefaultAuthType None\nBrowsing Off\nWebInterface No\n"
                                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    WriteFile(base / "bus.conf",
              "<busconfig><type>system</type><listen>unix:path=" + (base / "bus").string() +
                  "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                  "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n");
    bus_ = std::make_unique<Daemon>(
        std::vector<std::string>{"/usr/bin/dbus-daemon", "--config-file=" + (base / "bus.conf").string(), "--nofork",
                                 "--nopidfile"},
        std::vector<std::string>{}, base / "log/bus.log");
    ASSERT_TRUE(WaitFor([&] { return fs::exists(base / "bus"); }, std::chrono::seconds(20)));
    printer_port_ = FreePort();
    printer_ = std::make_unique<Daemon>(
        std::vector<std::string>{"/usr/sbin/ippeveprinter", "-p", std::to_string(printer_port_), "-d",
                                 (base / "sink").string(), "-k", "-f", "image/pwg-raster,application/octet-stream",
                                 "-r", "off", "Kestrel test sink"},
        std::vector<std::string>{"DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (base / "bus").string()},
        base / "log/ippeveprinter.log");
    cupsd_ = std::make_unique<Daemon>(
        std::vector<std::string>{"/usr/sbin/cupsd", "-f", "-c", (base / "root/cupsd.conf").string(), "-s", conf.string()},
        std::vector<std::string>{}, base / "log/cupsd.log");
    ASSERT_TRUE(WaitFor([&] { return Listening(printer_port_) && Listening(cups_port_); }, std::chrono::seconds(30)))
        << ReadFile(base / "log/ippeveprinter.log") << ReadFile(base / "log/cupsd.log");
    setenv("CUPS_SERVER", ("127.0.0.1:" + std::to_string(cups_port_)).c_str(), 1);
    const ProcessResult added =
        RunProcess({"/usr/sbin/lpadmin", "-p", "kestrel", "-E", "-v",
                    "ipp://127.0.0.1:" + std::to_string(printer_port_) + "/ipp/print", "-P", KESTREL_PPD},
                   std::chrono::seconds(60));
    ASSERT_EQ(added.exit_code, 0) << added.err;
  }
  void TearDown() override {
    unsetenv("CUPS_SERVER");
    cupsd_.reset();
    printer_.reset();
    bus_.reset();
  }

  fs::path error_log() const { return scratch_ / "cups/log/error_log"; }

  // lp with options; the job's number.
  int Submit(const fs::path& document, const std::vector<std::string>& options) {
    std::vector<std::string> argv = {"/usr/bin/lp", "-d", "kestrel", "-t", "Quarterly report"};
    for (const std::string& option : options) argv.insert(argv.end(), {"-o", option});
    argv.push_back(document.string());
    const ProcessResult sent = RunProcess(argv, std::chrono::seconds(60));
    EXPECT_EQ(sent.exit_code, 0) << sent.err;
    std::smatch id;
    return std::regex_search(sent.out, id, std::regex("kestrel-([0-9]+)")) ? std::stoi(id[1]) : -1;
  }

  // Waits until CUPS has finished with the job: "completed" or "stopped" (a filter failed).
  std::string Outcome(int job) {
    const std::string tag = "[Job " + std::to_string(job) + "] ";
    std::string outcome;
    WaitFor(
        [&] {
          const std::string log = ReadFile(error_log());
          if (log.find(tag + "Job completed") != std::string::npos) outcome = "completed";
          if (log.find(tag + "Job stopped") != std::string::npos) outcome = "stopped";
          return !outcome.empty();
        },
        kJobLimit);
    return outcome;
  }

  // The end of cupsd's log, for a failure's message.
  std::string LogTail() const {
    const std::string log = ReadFile(error_log());
    return log.substr(log.size() > 6000 ? log.size() - 6000 : 0);
  }

  std::vector<std::string> ErrorLines(int job) {
    std::vector<std::string> lines;
    std::istringstream log(ReadFile(error_log()));
    const std::string tag = "[Job " + std::to_string(job) + "] ";
    for (std::string line; std::getline(log, line);)
      if (line.rfind("E ", 0) == 0 && line.find(tag) != std::string::npos) lines.push_back(line.substr(line.find(tag) + tag.size()));
    return lines;
  }

  // What ippeveprinter kept of a job (its files are "<job>-<name>.<ext>"), the newest first.
  std::vector<fs::path> Received() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(scratch_ / "cups/sink"))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return fs::last_write_time(a) > fs::last_write_time(b); });
    return files;
  }

  // Checks one job against xpspipe's print chain with the same options, and
  // its pages against the sheets the options ask for (width x height in mm).
  void ExpectPrintedAsXpspipe(int job, const fs::path& document, const std::vector<std::string>& options,
                              std::size_t sink_files_before, std::size_t sheets, double width_mm, double height_mm) {
    const ProcessResult reference = XpspipePrint(document, options, scratch_ / "reference.pwg");
    const std::string outcome = Outcome(job);
    if (outcome.empty()) ADD_FAILURE() << LogTail();
    if (reference.exit_code != 0) {
      // The chain cannot print yet: CUPS must say why, in the chain's words.
      EXPECT_EQ(outcome, "stopped");
      std::string reason = reference.err.substr(reference.err.find("xpspipe: ") + 9);
      reason = reason.substr(0, reason.find('\n'));
      EXPECT_THAT(ErrorLines(job), ::testing::Contains(reason));
      return;
    }
    ASSERT_EQ(outcome, "completed") << ReadFile(error_log()).substr(0, 20000);
    const ProcessResult listed = RunProcess({"/usr/bin/lpstat", "-W", "completed", "-o", "kestrel"}, std::chrono::seconds(30));
    EXPECT_THAT(listed.out, HasSubstr("kestrel-" + std::to_string(job) + " "));
    // ippeveprinter keeps the job once it has processed it.
    ASSERT_TRUE(WaitFor([&] { return Received().size() > sink_files_before; }, std::chrono::seconds(60)));
    const fs::path received = Received().front();
    EXPECT_EQ(received.extension(), ".pwg");
    const std::vector<PwgPage> pages = ReadPwgPages(received);
    const std::vector<PwgPage> expected = ReadPwgPages(scratch_ / "reference.pwg");
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(pages.size(), sheets);
    ASSERT_EQ(expected.size(), sheets);
    for (std::size_t i = 0; i < pages.size(); ++i) {
      EXPECT_NEAR(pages[i].width, width_mm / 25.4 * pages[i].xdpi, 1.0);
      EXPECT_NEAR(pages[i].height, height_mm / 25.4 * pages[i].ydpi, 1.0);
      EXPECT_EQ(pages[i].width, expected[i].width);
      EXPECT_EQ(pages[i].height, expected[i].height);
    }
    EXPECT_TRUE(ReadFile(received) == ReadFile(scratch_ / "reference.pwg")) << "the printer got other bytes than xpspipe writes";
  }

  ScratchDir scratch_;
  fs::path document_;
  int cups_port_ = 0;
  int printer_port_ = 0;
  std::unique_ptr<Daemon> bus_, printer_, cupsd_;
};

TEST_F(PrivateCups, AJobPrintsAMalformedOneFailsWithItsErrorAndTheQueueTakesTheNext) {
  // mb06's three pages two to an A4 sheet.
  const fs::path three_pages = Corpus("xps/mb06.xps");
  const std::vector<std::string> options = {"number-up=2", "media=A4"};
  const int first = Submit(three_pages, options);
  ExpectPrintedAsXpspipe(first, three_pages, options, 0, 2, 210, 297);

  const fs::path broken = scratch_ / "broken.xps";
  WriteFile(broken, "PK\x03\x04 not a package");
  chmod(broken.c_str(), 0644);
  const int failed = Submit(broken, {});
  EXPECT_EQ(Outcome(failed), "stopped");
  const std::vector<std::string> errors = ErrorLines(failed);
  ASSERT_FALSE(errors.empty());
  EXPECT_THAT(errors.front(), HasSubstr("not a readable ZIP package"));

  const std::size_t kept = Received().size();
  const int next = Submit(document_, {"landscape"});
  // mb01's one page on Letter, the default, in the printer's portrait feed.
  ExpectPrintedAsXpspipe(next, document_, {"landscape"}, kept, 1, 215.9, 279.4);
}

}  // namespace
