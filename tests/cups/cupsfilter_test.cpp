// The generated PPD with CUPS's own tools: cupstestppd accepts it, it offers
// what `xpspipe options` lists, and cupsfilter runs the filter through it to
// the same PWG Raster that `xpspipe run --config print` writes.
#include <cups/ppd.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cups/cups_test_support.h"

namespace {

using namespace kestrel::cups_test;
using ::testing::HasSubstr;

TEST(GeneratedPpd, CupstestppdPassesItWithTheFilterInstalled) {
  if (!HaveCups("/usr/bin/cupstestppd")) GTEST_SKIP() << "cupstestppd is missing (scripts/setup installs it)";
  ScratchDir root;
  fs::create_directories(root / "usr/lib/cups/filter");
  fs::create_symlink(KESTREL_CUPS_FILTER, root / "usr/lib/cups/filter/kestrel-xps");
  const ProcessResult checked =
      RunProcess({"/usr/bin/cupstestppd", "-R", root.Path().string(), KESTREL_PPD}, std::chrono::seconds(60));
  EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
  EXPECT_THAT(checked.out, HasSubstr(": PASS"));
}

// ppdOpenFile is CUPS's reader of PPDs, deprecated for new drivers but what
// cupsd still reads a queue's PPD with.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
TEST(GeneratedPpd, OffersEveryListedOptionWithItsValuesAndDefault) {
  const ProcessResult listed = RunProcess({KESTREL_XPSPIPE, "options", "--json"}, std::chrono::seconds(60));
  ASSERT_EQ(listed.exit_code, 0) << listed.err;
  ppd_file_t* ppd = ppdOpenFile(KESTREL_PPD);
  ASSERT_NE(ppd, nullptr);
  // The PPD keywords CUPS maps its own options to, and their choices.
  const std::map<std::string, std::string> keywords = {
      {"media", "PageSize"}, {"sides", "Duplex"}, {"printer-resolution", "Resolution"}};
  const std::map<std::string, std::string> duplex = {
      {"one-sided", "None"}, {"two-sided-long-edge", "DuplexNoTumble"}, {"two-sided-short-edge", "DuplexTumble"}};
  for (const auto& option : nlohmann::json::parse(listed.out)) {
    const std::string name = option["name"];
    SCOPED_TRACE(name);
    const auto keyword = keywords.find(name);
    ppd_option_t* offered = ppdFindOption(ppd, (keyword == keywords.end() ? name : keyword->second).c_str());
    if (option["values"].empty() || name == "copies" || name == "manual-duplex") {
      EXPECT_EQ(offered, nullptr) << "a free value, CUPS's own option or one a queue cannot print has no list in the PPD";
      continue;
    }
    ASSERT_NE(offered, nullptr);
    const auto ppd_name = [&](const std::string& value) { return name == "sides" ? duplex.at(value) : value; };
    std::vector<std::string> choices;
    for (int i = 0; i < offered->num_choices; ++i) choices.push_back(offered->choices[i].choice);
    std::vector<std::string> expected;
    for (const auto& value : option["values"]) expected.push_back(ppd_name(value["value"]));
    if (name == "media") expected.push_back("Custom");  // the custom size range, as libcups lists it
    EXPECT_EQ(choices, expected);
    if (!option["default"].is_null()) {
      EXPECT_EQ(offered->defchoice, ppd_name(option["default"]));
    }
    if (name == "media") {
      for (const std::string& size : expected) {
        if (size != "Custom") {
          EXPECT_NE(ppdPageSize(ppd, size.c_str()), nullptr) << size;
        }
      }
    }
  }
  // Letter, the printer's default, with the hardware margins of 4.233 mm (12 points) on each side.
  const ppd_size_t* letter = ppdPageSize(ppd, "Letter");
  ASSERT_NE(letter, nullptr);
  EXPECT_FLOAT_EQ(letter->width, 612);
  EXPECT_FLOAT_EQ(letter->length, 792);
  EXPECT_NEAR(letter->left, 12, 0.01);
  EXPECT_NEAR(letter->bottom, 12, 0.01);
  EXPECT_NEAR(letter->right, 600, 0.01);
  EXPECT_NEAR(letter->top, 780, 0.01);
  EXPECT_EQ(ppd->variable_sizes, 1);
  ppdClose(ppd);
}
#pragma GCC diagnostic pop

// cupsfilter with the PPD against xpspipe's print chain: the same bytes,
// or, while the package lacks what the chain needs, the same failure.
TEST(Cupsfilter, RunsTheFilterToTheSamePrinterDataAsXpspipe) {
  if (!HaveCups("/usr/sbin/cupsfilter")) GTEST_SKIP() << "cupsfilter is missing (scripts/setup installs it)";
  struct Case {
    const char* document;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"oxps/mb01.oxps", {"number-up=2"}},
      {"xps/mb06.xps", {"media=A4", "landscape"}},
  };
  ScratchDir scratch;
  const fs::path conf = MakeCupsFolders(scratch / "cups");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.document);
    const fs::path document = Corpus(c.document);
    if (!fs::exists(document)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
    std::vector<std::string> argv = {"/usr/sbin/cupsfilter", "-c", conf.string(), "-p", KESTREL_PPD, "-m",
                                     "application/vnd.cups-pwg-raster"};
    for (const std::string& option : c.options) argv.insert(argv.end(), {"-o", option});
    argv.push_back(document.string());
    const ProcessResult filtered = RunProcess(argv, std::chrono::seconds(300));
    const ProcessResult reference = XpspipePrint(document, c.options, scratch / "reference.pwg");
    if (reference.exit_code != 0) {
      // The same reason, as CUPS logs it.
      EXPECT_NE(filtered.exit_code, 0);
      std::string reason = reference.err.substr(reference.err.find("xpspipe: ") + 9);
      reason = reason.substr(0, reason.find('\n'));
      EXPECT_THAT(filtered.err, HasSubstr("ERROR: " + reason));
      continue;
    }
    ASSERT_EQ(filtered.exit_code, 0) << filtered.err;
    const std::string expected = kestrel::host::testing::ReadFile(scratch / "reference.pwg");
    EXPECT_TRUE(filtered.out == expected) << "cupsfilter's " << filtered.out.size() << " bytes differ from xpspipe's "
                                          << expected.size();
    EXPECT_FALSE(ReadPwgPages(scratch / "reference.pwg").empty());
  }
}

}  // namespace
