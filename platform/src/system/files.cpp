#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/checked_int.h"
#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/utf.h"

namespace {

DWORD ErrorOf(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_PARAMETER;
  }
}

template <typename Result>
Result Fail(DWORD error, Result result) {
  SetLastError(error);
  return result;
}

std::optional<std::string> Narrow(LPCWSTR text) {
  if (!text) return std::nullopt;
  return Utf16ToUtf8(text);
}

// Splits an INI file into lines without their ends.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsSection(const std::string& line) {
  const std::string trimmed = Trim(line);
  return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

std::string SectionName(const std::string& line) {
  const std::string trimmed = Trim(line);
  return trimmed.substr(1, trimmed.size() - 2);
}

// Where key sits in the section starting at lines[begin] (one past its
// header), or the line to insert before (end of the section).
std::size_t KeyLine(const std::vector<std::string>& lines, std::size_t begin, const std::string& key,
                    bool* found) {
  std::size_t i = begin;
  for (; i < lines.size() && !IsSection(lines[i]); ++i) {
    const std::size_t equals = lines[i].find('=');
    if (equals != std::string::npos && Trim(lines[i].substr(0, equals)) == key) {
      *found = true;
      return i;
    }
  }
  // New keys go after the section's last non-empty line.
  while (i > begin && Trim(lines[i - 1]).empty()) --i;
  *found = false;
  return i;
}

bool WriteWhole(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string path = tmpdir && *tmpdir == '/' ? tmpdir : "/tmp";
  if (path.back() != '/') path += '/';
  const std::optional<std::u16string> wide = Utf8ToUtf16(path);
  if (!wide) return Fail<DWORD>(ERROR_NO_UNICODE_TRANSLATION, 0);
  const std::optional<DWORD> length = TryIntCast<DWORD>(wide->size());
  if (!length || *length >= MAX_PATH) return Fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
  if (!buffer || size <= *length) return *length + 1;
  std::memcpy(buffer, wide->c_str(), (wide->size() + 1) * sizeof(WCHAR));
  return *length;
}

UINT GetTempFileNameW(LPCWSTR directory, LPCWSTR prefix, UINT unique, LPWSTR fileName) {
  const std::optional<std::string> folder = Narrow(directory);
  const std::optional<std::string> start = Narrow(prefix);
  if (!folder || !start || folder->empty() || unique != 0 || !fileName) return Fail<UINT>(ERROR_INVALID_PARAMETER, 0);
  std::string pattern = *folder;
  if (pattern.back() != '/') pattern += '/';
  pattern += start->substr(0, 3) + "XXXXXX.tmp";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkostemps creates with O_EXCL and mode 0600 under a random name.
  const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd < 0) return Fail<UINT>(ErrorOf(errno), 0);
  ::close(fd);
  const std::optional<std::u16string> wide = Utf8ToUtf16(name.data());
  if (!wide || wide->size() >= MAX_PATH) {
    ::unlink(name.data());
    return Fail<UINT>(ERROR_INVALID_PARAMETER, 0);
  }
  std::memcpy(fileName, wide->c_str(), (wide->size() + 1) * sizeof(WCHAR));
  return 1;
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
  const std::optional<std::string> name = Narrow(section), entry = Narrow(key), text = Narrow(value),
                                   path = Narrow(fileName);
  if (!name || !entry || !text || !path || name->empty() || entry->empty()) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::string content;
  if (std::ifstream in(*path, std::ios::binary); in) {
    std::ostringstream whole;
    whole << in.rdbuf();
    content = whole.str();
  }
  std::vector<std::string> lines = Lines(content);
  const std::string line = *entry + "=" + *text;
  std::size_t header = 0;
  while (header < lines.size() && !(IsSection(lines[header]) && SectionName(lines[header]) == *name)) ++header;
  if (header == lines.size()) {
    lines.push_back("[" + *name + "]");
    lines.push_back(line);
  } else {
    bool found = false;
    const std::size_t at = KeyLine(lines, header + 1, *entry, &found);
    if (found)
      lines[at] = line;
    else
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
  }
  std::string out;
  for (const std::string& each : lines) out += each + "\n";
  if (!WriteWhole(*path, out)) return Fail(ErrorOf(errno), FALSE);
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR fileName) {
  const std::optional<std::string> path = Narrow(fileName);
  if (!path) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (::unlink(path->c_str()) != 0) return Fail(ErrorOf(errno), FALSE);
  return TRUE;
}
