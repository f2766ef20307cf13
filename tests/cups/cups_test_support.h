// What the CUPS tests share: CUPS's folders for a private cupsfilter or
// cupsd (its MIME rules and filters with ours beside them), the reference
// run through xpspipe, and the pages of PWG Raster read with libcups.
#pragma once

#include <cups/raster.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/host_test_support.h"

namespace kestrel::cups_test {

namespace fs = std::filesystem;
using host::testing::ProcessResult;
using host::testing::RunProcess;
using host::testing::ScratchDir;

inline bool HaveCups(const char* program) { return access(program, X_OK) == 0; }

inline fs::path Corpus(const std::string& name) { return fs::path(KESTREL_CORPUS_DIR) / name; }

// ServerRoot (root/: CUPS's MIME rules and ours, cups-files.conf), ServerBin
// (serverbin/: CUPS's programs, our filter among its filters) and TempDir (tmp/).
// lines: more cups-files.conf directives. Readable by every user, so that
// CUPS's unprivileged user can run the filter from here.
inline fs::path MakeCupsFolders(const fs::path& base, const std::string& lines = "") {
  const fs::path root = base / "root", serverbin = base / "serverbin", temp = base / "tmp";
  fs::create_directories(root);
  fs::create_directories(serverbin / "filter");
  fs::create_directories(temp);
  for (const fs::path& dir : {base, root, serverbin, serverbin / "filter", temp}) chmod(dir.c_str(), 0755);
  for (const auto& entry : fs::directory_iterator("/usr/share/cups/mime"))
    fs::create_symlink(entry.path(), root / entry.path().filename());
  for (const char* file : {"kestrel-xps.types", "kestrel-xps.convs"})
    fs::copy_file(fs::path(KESTREL_CUPS_MIME_DIR) / file, root / file);
  for (const char* dir : {"backend", "cgi-bin", "daemon", "monitor", "notifier"})
    if (fs::exists(fs::path("/usr/lib/cups") / dir)) fs::create_directory_symlink(fs::path("/usr/lib/cups") / dir, serverbin / dir);
  for (const auto& entry : fs::directory_iterator("/usr/lib/cups/filter"))
    fs::create_symlink(entry.path(), serverbin / "filter" / entry.path().filename());
  fs::create_symlink(KESTREL_CUPS_FILTER, serverbin / "filter" / "kestrel-xps");
  host::testing::WriteFile(root / "cups-files.conf", "ServerBin " + serverbin.string() + "\nServerRoot " +
                                                         root.string() + "\nTempDir " + temp.string() + "\n" + lines);
  return root / "cups-files.conf";
}

// xpspipe run --config print with -o options: the printer data CUPS should get.
inline ProcessResult XpspipePrint(const fs::path& document, const std::vector<std::string>& options,
                                  const fs::path& output) {
  std::vector<std::string> argv = {KESTREL_XPSPIPE, "run", "--quiet", "--config", "print"};
  for (const std::string& option : options) argv.insert(argv.end(), {"-o", option});
  argv.insert(argv.end(), {document.string(), output.string()});
  return RunProcess(argv, std::chrono::seconds(300));
}

struct PwgPage {
  unsigned width = 0, height = 0;  // pixels
  unsigned xdpi = 0, ydpi = 0;
  unsigned bits_per_pixel = 0;
  std::string media;  // PWG media name of the page
};

// Every page of a PWG Raster file, read with libcups; empty for a file that is not one.
inline std::vector<PwgPage> ReadPwgPages(const fs::path& file) {
  std::vector<PwgPage> pages;
  const int fd = open(file.c_str(), O_RDONLY);
  if (fd < 0) return pages;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  cups_page_header2_t header;
  std::vector<unsigned char> line;
  while (raster && cupsRasterReadHeader2(raster, &header)) {
    pages.push_back({header.cupsWidth, header.cupsHeight, header.HWResolution[0], header.HWResolution[1],
                     header.cupsBitsPerPixel, header.cupsPageSizeName});
    line.resize(header.cupsBytesPerLine);
    for (unsigned y = 0; y < header.cupsHeight; ++y)
      if (!cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine)) break;
  }
  if (raster) cupsRasterClose(raster);
  close(fd);
  return pages;
}

}  // namespace kestrel::cups_test
