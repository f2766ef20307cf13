// The reference package's manual-duplex program ("KvmdFileName64"):
//   kvmanualduplex LANGID LIST
// LIST is the job's list of back-side files (section "FileList", keys 1, 2, ...).
// At a terminal it says how to turn the printed stack over and waits for
// Enter; without one it goes on at once. It then appends the back sides, in
// the order of their keys, to the job's output (the file KESTREL_JOB_OUTPUT
// names, else its standard output) and removes them and the list. Whatever
// stops it leaves them in place and says where they are.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// The back sides by key, or the reason the list cannot be read.
std::optional<std::map<unsigned long, std::string>> ReadList(const fs::path& list, std::string* why) {
  std::ifstream in(list);
  if (!in) {
    *why = "cannot read the list " + list.string();
    return std::nullopt;
  }
  std::map<unsigned long, std::string> files;
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with('[')) {
      inSection = line == "[FileList]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    if (key.empty() || key.size() > 9 || key.find_first_not_of("0123456789") != std::string::npos) {
      *why = "the list " + list.string() + " has a key that is not a number: " + key;
      return std::nullopt;
    }
    files[std::stoul(key)] = line.substr(equals + 1);
  }
  if (files.empty()) *why = "the list " + list.string() + " names no file";
  return files.empty() ? std::nullopt : std::optional(files);
}

bool Append(const std::string& file, std::ostream& out, std::string* why) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *why = "cannot read the back side " + file;
    return false;
  }
  out << in.rdbuf();
  out.flush();
  if (!out) *why = "cannot write the back side " + file + " to the output";
  return static_cast<bool>(out);
}

// Until the person presses Enter; false at the end of input.
bool AskToTurnTheStack(std::size_t sides, const fs::path& list) {
  // One write, so that an early Enter cannot land inside the prompt.
  std::cerr << "The fronts are printed. Take the printed sheets from the output tray without changing\n"
               "their order, turn the stack over from left to right (about its long edge, the top edge\n"
               "staying at the top) and put it into the paper tray, first sheet on top.\n"
               "Press Enter to print the " +
                   std::to_string(sides) + " back side" + (sides == 1 ? "" : "s") +
                   " (Ctrl-D stops; they stay listed in " + list.string() + ").\n";
  std::string line;
  return static_cast<bool>(std::getline(std::cin, line));
}

int Stop(const std::string& why, const fs::path& list) {
  std::cerr << "kvmanualduplex: " << why << "; the back sides are listed in " << list.string() << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kvmanualduplex LANGID LIST\n";
    return 2;
  }
  const fs::path list = argv[2];
  std::string why;
  const auto files = ReadList(list, &why);
  if (!files) return Stop(why, list);
  if (isatty(STDIN_FILENO) && !AskToTurnTheStack(files->size(), list)) return Stop("stopped", list);

  std::ofstream file;
  const char* output = std::getenv("KESTREL_JOB_OUTPUT");
  if (output && *output) {
    file.open(output, std::ios::binary | std::ios::app);
    if (!file) return Stop(std::string("cannot open the job's output ") + output, list);
  }
  std::ostream& out = file.is_open() ? file : std::cout;
  for (const auto& [key, back] : *files)
    if (!Append(back, out, &why)) return Stop(why, list);

  std::error_code ignored;
  for (const auto& [key, back] : *files) fs::remove(back, ignored);
  fs::remove(list, ignored);
  return 0;
}
