// The order filter end to end: booklet tickets on real and generated
// documents through xpspipe, alone and in the XPS chain, checked in the
// output package (its page parts and the fixed document's page list) and,
// when mutool is installed, as rendered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "tests/host/host_test_support.h"
#include "tests/ticket/ticket_documents.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadParts;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr auto kLimit = 120s;

std::string Ticket(const std::string& body) { return ticket_test::TicketXml(body, ticket_test::kDriverDeclarations); }

// The user's default ticket prints one-sided; a booklet asks for short-edge duplex with it.
std::string BookletTicket(const std::string& edge, const std::string& binding = "") {
  return Ticket("<psf:Feature name=\"psk:JobBindAllDocuments\"><psf:Option name=\"" + edge + "\"/>" + binding +
                "</psf:Feature><psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\">"
                "<psf:Option name=\"psk:TwoSidedShortEdge\"/></psf:Feature>");
}

// The order filter alone, or the XPS chain up to it: the layout filter after it
// makes sheets of the booklet's pages (tests/layout/ checks those).
std::vector<std::string> Chain(bool alone) {
  return std::vector<std::string>{"--filters", alone ? "xordflt" : "xprepflt,xordflt"};
}

class OrderEndToEnd : public ::testing::Test {
 protected:
  // Runs the job with the ticket through the chain.
  void Run(const fs::path& input, const std::string& ticket, const std::vector<std::string>& chain = Chain(true)) {
    WriteFile(scratch_ / "job.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--job-ticket", (scratch_ / "job.xml").string()};
    args.insert(args.end(), chain.begin(), chain.end());
    args.push_back(input.string());
    args.push_back(Out().string());
    const ProcessResult run = RunProcess(args, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  fs::path Sample(unsigned pages) {
    const fs::path sample = scratch_ / ("sample-" + std::to_string(pages) + ".xps");
    const ProcessResult made =
        RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", std::to_string(pages), sample.string()}, kLimit);
    EXPECT_EQ(made.exit_code, 0) << made.err;
    return sample;
  }
  fs::path Out() const { return scratch_ / "out.xps"; }

  // The output's pages in the order of its fixed document: "<n>" for page n
  // of the input, "pad<k>" for the k-th pad page made. Each is a part of the package.
  std::vector<std::string> OutputPages() const {
    const auto reader = kestrel::package::PackageReader::Open(Out());
    const auto parts = ReadParts(Out());
    std::vector<std::string> pages;
    for (const auto& document : reader->Model().sequence.documents) {
      for (auto cursor = reader->Pages(document); const auto page = cursor->Next();) {
        EXPECT_TRUE(parts.contains(page->name)) << page->name;
        const std::size_t serial = page->name.rfind('_');
        if (page->name.starts_with("/Pad_page_") && page->name.ends_with(".xaml"))
          pages.push_back("pad" + page->name.substr(serial + 1, page->name.size() - serial - 1 - 5));
        else
          pages.push_back(fs::path(page->name).stem().string());
      }
    }
    return pages;
  }
  std::vector<std::string> OutputPageNames() const {
    const auto reader = kestrel::package::PackageReader::Open(Out());
    std::vector<std::string> names;
    for (auto cursor = reader->Pages(reader->Model().sequence.documents.at(0)); const auto page = cursor->Next();)
      names.push_back(page->name);
    return names;
  }

  ScratchDir scratch_;
};

// Labels in the notation of a booklet table: numbers above pages are pads, in the order they were made.
std::vector<std::string> Labels(const std::vector<int>& table, int pages) {
  std::vector<std::string> labels;
  for (const int number : table)
    labels.push_back(number <= pages ? std::to_string(number) : "pad" + std::to_string(number - pages));
  return labels;
}

struct Image {
  std::string header;  // magic and size
  std::string pixels;
};

// A binary PNM of mutool: "P5" or "P6", width, height, 255.
Image ParsePnm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  Image image;
  image.header = magic + " " + std::to_string(width) + "x" + std::to_string(height);
  image.pixels = bytes.substr(static_cast<std::size_t>(in.tellg()));
  return image;
}

TEST_F(OrderEndToEnd, ABookletOfThreePagesStartsWithAPadOfTheFirstPagesSize) {
  const fs::path mb06 = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
  if (!fs::exists(mb06)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  const auto input = ReadParts(mb06);
  const std::string& first = input.at("/Documents/1/Pages/1.fpage");
  const std::size_t root = first.find("<FixedPage");
  const std::string rootTag = first.substr(root, first.find('>', root) - root);
  for (const bool alone : {true, false}) {
    SCOPED_TRACE(alone ? "order filter alone" : "XPS chain");
    Run(mb06, BookletTicket("psk:Booklet"), Chain(alone));
    ASSERT_THAT(OutputPages(), ElementsAre("pad1", "1", "2", "3"));
    const auto output = ReadParts(Out());
    EXPECT_EQ(output.at(OutputPageNames()[0]), "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + rootTag + "/>");
    for (const char* page : {"/Documents/1/Pages/1.fpage", "/Documents/1/Pages/2.fpage", "/Documents/1/Pages/3.fpage"})
      EXPECT_TRUE(output.at(page) == input.at(page)) << page << " changed";

    if (!kestrel::host::testing::HaveMutool()) continue;
    const auto rendered = kestrel::host::testing::RenderPages(Out(), scratch_ / "rendered");
    ASSERT_EQ(rendered.size(), 4u);
    const Image pad = ParsePnm(rendered[0]), page1 = ParsePnm(rendered[1]);
    EXPECT_EQ(pad.header, page1.header);
    EXPECT_EQ(pad.pixels.find_first_not_of('\xff'), std::string::npos) << "the pad is blank";
    EXPECT_NE(page1.pixels.find_first_not_of('\xff'), std::string::npos);
    fs::remove_all(scratch_ / "rendered");
  }
  if (!kestrel::host::testing::HaveMutool()) GTEST_SKIP() << "mutool is not installed";
}

// Parts the chain names after the clock (pad pages and their tickets) under
// names of their order instead, wherever the name appears.
std::string WithoutClock(const std::string& text) {
  static const std::regex generated("/(Pad_page|PT_OD)_[0-9]+_([0-9]+)");
  return std::regex_replace(text, generated, "/$1_T_$2");
}

std::map<std::string, std::string> PartsWithoutClock(const fs::path& package) {
  std::map<std::string, std::string> parts;
  for (const auto& [name, bytes] : ReadParts(package)) parts.emplace(WithoutClock(name), WithoutClock(bytes));
  for (const auto& [source, id, type, target, external] : kestrel::host::testing::ReadRelationships(package))
    parts.emplace("relationship " + WithoutClock(source) + " " + id, type + " " + WithoutClock(target));
  return parts;
}

// Print options do what the same settings in a ticket file do: the ticket
// they make reads as the hand-written one does, and as a ticket file it
// gives the same package, part for part and byte for byte.
TEST_F(OrderEndToEnd, BookletOptionsGiveWhatTheEquivalentTicketFileGives) {
  const fs::path mb06 = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
  if (!fs::exists(mb06)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "-o", "booklet", "-o", "sides=two-sided-short-edge"};
  for (const std::string& filters : Chain(false)) args.push_back(filters);
  args.insert(args.end(), {mb06.string(), Out().string()});
  const ProcessResult optioned = RunProcess(args, kLimit);
  ASSERT_EQ(optioned.exit_code, 0) << optioned.err;
  EXPECT_EQ(optioned.err.find("replaces"), std::string::npos) << optioned.err;  // the options extend mb06's own ticket
  ASSERT_THAT(OutputPages(), ElementsAre("pad1", "1", "2", "3"));
  const auto by_options = PartsWithoutClock(Out());

  // mb06's own job ticket asks for two copies; the hand-written equivalent says so too, and
  // asks for the two pages a side a booklet is printed with.
  const auto reader = kestrel::package::PackageReader::Open(Out());
  const std::string made = ReadParts(Out()).at(*reader->Model().sequence.ticket);
  std::string equivalent = BookletTicket("psk:Booklet");
  equivalent.insert(equivalent.rfind("</psf:PrintTicket>"),
                    "<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:integer\">2"
                    "</psf:Value></psf:ParameterInit>"
                    "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>"
                    "<psf:ScoredProperty name=\"psk:PagesPerSheet\"><psf:Value xsi:type=\"xsd:integer\">2</psf:Value>"
                    "</psf:ScoredProperty></psf:Option><psf:Feature name=\"psk:PresentationDirection\">"
                    "<psf:Option name=\"psk:RightBottom\"/></psf:Feature><psf:Feature name=\"kp:BorderLine\">"
                    "<psf:Option name=\"kp:SolidLine\"/></psf:Feature></psf:Feature>");
  const auto show = [&](const std::string& ticket, const std::string& tool) {
    WriteFile(scratch_ / "shown.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "ticket", tool, (scratch_ / "shown.xml").string()};
    if (tool == "devmode") args.push_back("--json");
    const ProcessResult run = RunProcess(args, kLimit);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
  };
  EXPECT_EQ(show(made, "show"), show(equivalent, "show"));
  EXPECT_EQ(show(made, "devmode"), show(equivalent, "devmode"));
  Run(mb06, equivalent, Chain(false));
  EXPECT_THAT(OutputPages(), ElementsAre("pad1", "1", "2", "3"));

  Run(mb06, made, Chain(false));
  const auto by_ticket = PartsWithoutClock(Out());
  ASSERT_EQ(by_ticket.size(), by_options.size());
  for (const auto& [name, bytes] : by_options) {
    ASSERT_TRUE(by_ticket.contains(name)) << name;
    EXPECT_TRUE(by_ticket.at(name) == bytes) << name << " differs";
  }
}

TEST_F(OrderEndToEnd, GeneratedJobsComeOutInBookletOrder) {
  struct Case {
    const char* label;
    unsigned pages;
    std::string ticket;
    std::vector<int> table;
  };
  const std::string sets = "<psf:Feature name=\"kp:BookletPrintingMethod\"><psf:Option name=\"kp:DivideIntoSets\"/>"
                           "</psf:Feature>";
  const std::string twoSheets = "<psf:ParameterInit name=\"kp:JobBindBookletDivideSheets\">"
                                "<psf:Value xsi:type=\"xsd:integer\">2</psf:Value></psf:ParameterInit>";
  std::string divided = BookletTicket("psk:Booklet", sets);
  divided.insert(divided.rfind("</psf:PrintTicket>"), twoSheets);
  const Case cases[] = {
      {"booklet of 5", 5, BookletTicket("psk:Booklet"), {8, 1, 2, 7, 6, 3, 4, 5}},
      {"booklet of 20", 20, BookletTicket("psk:Booklet"),
       {20, 1, 2, 19, 18, 3, 4, 17, 16, 5, 6, 15, 14, 7, 8, 13, 12, 9, 10, 11}},
      {"reverse-flip booklet of 20", 20, BookletTicket("kp:BookletReverseFlip"),
       {1, 20, 19, 2, 3, 18, 17, 4, 5, 16, 15, 6, 7, 14, 13, 8, 9, 12, 11, 10}},
      {"sets of two sheets", 20, divided,
       {8, 1, 2, 7, 6, 3, 4, 5, 16, 9, 10, 15, 14, 11, 12, 13, 20, 17, 18, 19}},
  };
  for (const Case& c : cases) {
    const fs::path sample = Sample(c.pages);
    for (const bool alone : {true, false}) {
      SCOPED_TRACE(std::string(c.label) + (alone ? ", order filter alone" : ", XPS chain"));
      Run(sample, c.ticket, Chain(alone));
      EXPECT_THAT(OutputPages(), ElementsAreArray(Labels(c.table, static_cast<int>(c.pages))));
    }
  }
}

TEST_F(OrderEndToEnd, WithoutABookletThePagesAndTheirListStayAsTheyWere) {
  const fs::path sample = Sample(5);
  const auto input = ReadParts(sample);
  const std::string longEdge =
      Ticket("<psf:Feature name=\"psk:JobBindAllDocuments\"><psf:Option name=\"psk:Booklet\"/></psf:Feature>"
             "<psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"psk:TwoSidedLongEdge\"/>"
             "</psf:Feature>");
  const std::string left =
      Ticket("<psf:Feature name=\"psk:JobBindAllDocuments\"><psf:Option name=\"psk:BindLeft\"/></psf:Feature>");
  for (const std::string& ticket : {longEdge, left}) {
    Run(sample, ticket);
    EXPECT_THAT(OutputPages(), ElementsAre("1", "2", "3", "4", "5"));
    const auto output = ReadParts(Out());
    for (const auto& [name, bytes] : input) {
      if (!name.starts_with("/Documents/")) continue;
      EXPECT_TRUE(output.at(name) == bytes) << name << " changed";
    }
    for (const auto& [name, bytes] : output)
      EXPECT_FALSE(name.starts_with("/Pad_page_") || name.starts_with("/PT_OD_")) << name;
  }
}

}  // namespace
