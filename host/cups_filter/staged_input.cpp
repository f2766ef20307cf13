#include "host/cups_filter/staged_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "host/pipeline/host_error.h"

namespace kestrel::cups_filter {
namespace {

using host::HostError;

// Closes the descriptor when it goes.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

int MakeTempFile(const std::filesystem::path& folder, const std::string& suffix, std::string& made) {
  std::string pattern = (folder / ("kestrel-XXXXXX" + suffix)).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0)
    throw HostError(folder.string() + ": cannot make a temporary file (" + std::strerror(errno) + ")", E_ACCESSDENIED);
  made = name.data();
  return fd;
}

void CopyStandardInput(int out, const std::filesystem::path& path) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw HostError(std::string("cannot read the document from standard input (") + std::strerror(errno) + ")");
    if (n == 0) return;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0)
        throw HostError(path.string() + ": cannot keep the document (" + std::strerror(errno ? errno : EIO) + ")");
      done += w;
    }
  }
}

}  // namespace

std::filesystem::path PrivateTempFile(const std::filesystem::path& folder, const std::string& suffix) {
  std::string made;
  Descriptor file{MakeTempFile(folder, suffix, made)};
  return made;
}

StagedInput::StagedInput(const std::optional<std::filesystem::path>& file, const std::filesystem::path& temp_folder) {
  if (file) {
    path_ = *file;
    return;
  }
  std::string made;
  Descriptor out{MakeTempFile(temp_folder, ".xps", made)};
  path_ = made;
  copied_ = true;
  try {
    CopyStandardInput(out.fd, path_);
  } catch (...) {
    ::unlink(path_.c_str());
    throw;
  }
}

StagedInput::~StagedInput() {
  if (copied_) ::unlink(path_.c_str());
}

}  // namespace kestrel::cups_filter
