// Where the printer-control library makes its files: TMPDIR, else /tmp.
#pragma once

#include <cstdlib>
#include <string>

inline std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}
