// Converter features as a user sees them: small documents that each use one
// feature (sideways and right-to-left glyph runs, image colour profiles, CMYK
// and n-channel images, images that cannot be used) are printed at 150 dpi
// and compared with mupdf's drawing of a reference document: the same
// document where mupdf draws the feature itself, else one whose images were
// converted to sRGB beforehand by PIL (feature_documents.py).
#include "tests/converter/print_fidelity.h"

namespace {

namespace fs = std::filesystem;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::RunProcess;
using print_fidelity::kLimit;
using print_fidelity::PrintFidelity;

class PrintFeatures : public PrintFidelity, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    const ProcessResult made = RunProcess(
        {"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/converter/feature_documents.py", scratch_.Path().string()},
        kLimit);
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }
};

TEST_P(PrintFeatures, PrintedPageMatchesTheReference) {
  const std::string name = GetParam();
  Check(scratch_ / (name + ".xps"), 99, "print", {}, scratch_ / (name + "-expected.xps"));
}

INSTANTIATE_TEST_SUITE_P(Documents, PrintFeatures, ::testing::Values("glyphs", "profiles", "inks"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// The page prints without them, each named in a warning.
TEST_F(PrintFeatures, ImagesThatCannotBeUsedAreLeftOut) {
  Check(scratch_ / "hostile.xps", 99, "print", {}, scratch_ / "hostile-expected.xps");
  for (const char* part : {"broken.icc", "missing.icc", "lab.icc", "broken.tif", "rgb-profile.tif", "twelve.tif"})
    EXPECT_NE(print_errors_.find(part), std::string::npos) << part << " is not named in:\n" << print_errors_;
}

}  // namespace
