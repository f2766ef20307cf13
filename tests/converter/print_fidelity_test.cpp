// Printed pages look like the document: every corpus document, and a
// Ghostscript-made one of several pages, goes through the XPS chain and
// through the print chain at 150 dpi; the PWG Raster pages (as PNG, by
// pwg-to-png) are compared with mupdf's drawing of the XPS chain's output.
// PCLm output, a PDF, is drawn by mupdf itself and compared the same way.
// The per-page figures are printed; a page below its floor names what its
// markup uses.
#include "tests/converter/print_fidelity.h"

namespace {

namespace fs = std::filesystem;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::WriteFile;
using print_fidelity::kLimit;
using print_fidelity::PrintFidelity;

const fs::path kCorpus = KESTREL_CORPUS_DIR;

struct Document {
  const char* path;
  double minimumPercent;
};

class CorpusFidelity : public PrintFidelity, public ::testing::WithParamInterface<Document> {};

TEST_P(CorpusFidelity, PrintedPagesMatchMupdf) {
  const fs::path input = kCorpus / GetParam().path;
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  Check(input, GetParam().minimumPercent);
}

INSTANTIATE_TEST_SUITE_P(Documents, CorpusFidelity,
                         ::testing::Values(Document{"xps/mb01.xps", 99}, Document{"xps/mb06.xps", 99},
                                           Document{"xps/mb08.xps", 99}, Document{"oxps/mb01.oxps", 99},
                                           Document{"oxps/mb08.oxps", 99}),
                         [](const ::testing::TestParamInfo<Document>& info) {
                           std::string name = info.param.path;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(PrintFidelity, PclmOpensInMupdfAndMatches) {
  const fs::path input = kCorpus / "xps/mb06.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  Check(input, 99, "print-pclm");
}

TEST_F(PrintFidelity, AGhostscriptDocumentOfSeveralPages) {
  const fs::path ghostscript = "/usr/share/ghostscript";
  std::optional<fs::path> lister;
  if (fs::exists("/usr/bin/gs") && fs::exists(ghostscript))
    for (const fs::directory_entry& version : fs::directory_iterator(ghostscript))
      if (fs::exists(version.path() / "lib/gslp.ps")) lister = version.path() / "lib/gslp.ps";
  if (!lister) GTEST_SKIP() << "Ghostscript is not installed";
  std::string text;
  for (int line = 1; line <= 150; ++line) text += "line of text number " + std::to_string(line) + "\n";
  WriteFile(scratch_ / "text.txt", text);
  const fs::path input = scratch_ / "gs.xps";
  const ProcessResult made =
      RunProcess({"/usr/bin/gs", "-dNOSAFER", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=xpswrite",
                  "-sOutputFile=" + input.string(), "--", lister->string(), (scratch_ / "text.txt").string()},
                 kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  // Ghostscript writes A4 pages.
  Check(input, 99, "print", {"media=iso_a4_210x297mm"});
}

}  // namespace
