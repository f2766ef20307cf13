// What the host's end-to-end tests share: running a program with a time
// limit, a scratch folder, comparing packages part by part and rendering them.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host/package/xps_package_reader.h"

extern char** environ;

namespace kestrel::host::testing {

inline std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// A fresh folder removed with everything in it at destruction.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-host-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct ProcessResult {
  int exit_code = -1;  // 128 + signal when killed by one
  std::string err;     // what it wrote to stderr
  std::string out;     // what it wrote to stdout
  bool timed_out = false;
};

// Runs argv[0] with stdin on /dev/null and stdout and stderr captured; after
// `limit` it is killed (timed_out). started, if given, gets the child's pid.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, std::chrono::seconds limit,
                                const std::function<void(pid_t pid)>& started = {}) {
  ScratchDir scratch;
  const std::string err_file = (scratch / "stderr").string();
  const std::string out_file = (scratch / "stdout").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
  if (started) started(pid);
  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.err = ReadFile(err_file);
  result.out = ReadFile(out_file);
  return result;
}

// Every part of a package by name, with its bytes as a reader sees them
// (pieces joined, fonts plain); throws on a package that does not read.
inline std::map<std::string, std::string> ReadParts(const std::filesystem::path& package) {
  const auto reader = kestrel::package::PackageReader::Open(package);
  std::map<std::string, std::string> parts;
  std::vector<char> buffer(65536);
  reader->ForEachPart([&](const kestrel::package::Part& part) {
    std::string bytes;
    const auto in = reader->OpenPart(part.name);
    while (const std::size_t n = in->Read(buffer.data(), buffer.size())) bytes.append(buffer.data(), n);
    parts.emplace(part.name, std::move(bytes));
  });
  return parts;
}

// Every relationship of a package as (source, id, type, target, external), "/" the package's own.
inline std::set<std::tuple<std::string, std::string, std::string, std::string, bool>> ReadRelationships(
    const std::filesystem::path& package) {
  const auto reader = kestrel::package::PackageReader::Open(package);
  std::set<std::tuple<std::string, std::string, std::string, std::string, bool>> all;
  const auto add = [&](const std::string& source) {
    for (const kestrel::package::Relationship& r : reader->Relationships(source))
      all.emplace(source, r.id, r.type, r.target, r.external);
  };
  add("/");
  reader->ForEachPart([&](const kestrel::package::Part& part) { add(part.name); });
  return all;
}

inline bool HaveMutool() { return access("/usr/bin/mutool", X_OK) == 0; }

// The pages rendered by mutool at a low resolution, each page's image bytes.
inline std::vector<std::string> RenderPages(const std::filesystem::path& package, const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const ProcessResult drawn = RunProcess(
      {"/usr/bin/mutool", "draw", "-q", "-r", "36", "-o", (dir / "page%d.pnm").string(), package.string()},
      std::chrono::seconds(120));
  if (drawn.exit_code != 0) throw std::runtime_error("mutool failed on " + package.string() + ": " + drawn.err);
  std::vector<std::string> pages;
  for (int n = 1; std::filesystem::exists(dir / ("page" + std::to_string(n) + ".pnm")); ++n)
    pages.push_back(ReadFile(dir / ("page" + std::to_string(n) + ".pnm")));
  return pages;
}

// Files in a folder other than those named.
inline std::vector<std::string> OtherFiles(const std::filesystem::path& dir, const std::vector<std::string>& expected) {
  std::vector<std::string> others;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (std::find(expected.begin(), expected.end(), name) == expected.end()) others.push_back(name);
  }
  return others;
}

}  // namespace kestrel::host::testing
