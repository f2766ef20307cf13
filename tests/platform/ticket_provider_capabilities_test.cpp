#include "ticket_provider_fixture.h"

namespace ticket_test {
namespace {

using TicketCapabilities = ProviderTest;

// The integer of the first Property (or ScoredProperty) named psk:<name>, or -1.
long long Value(const std::string& capabilities, const std::string& name) {
  std::smatch m;
  const std::regex value("name=\"psk:" + name + "\"><psf:Value xsi:type=\"xsd:integer\">(-?[0-9]+)<");
  return std::regex_search(capabilities, m, value) ? std::stoll(m[1]) : -1;
}

struct Area {
  long long width, height, origin_width, origin_height, extent_width, extent_height;
  bool operator==(const Area&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Area& a) {
  return out << a.width << " x " << a.height << " origin " << a.origin_width << " x " << a.origin_height
             << " extent " << a.extent_width << " x " << a.extent_height;
}

Area AreaOf(const std::string& c) {
  return {Value(c, "ImageableSizeWidth"), Value(c, "ImageableSizeHeight"), Value(c, "OriginWidth"),
          Value(c, "OriginHeight"),       Value(c, "ExtentWidth"),         Value(c, "ExtentHeight")};
}

const Area kLetter{215900, 279400, 4233, 4233, 207434, 270934};

TEST_F(TicketCapabilities, LetterImageableAreaFromTheDefaultsAndFromTheCorpus) {
  const Result defaults = Capabilities(nullptr);
  ASSERT_EQ(defaults.hr, S_OK) << defaults.message;
  EXPECT_EQ(AreaOf(defaults.text), kLetter);
  EXPECT_TRUE(defaults.text.find("<psf:PrintCapabilities ") != std::string::npos) << defaults.text;
  EXPECT_NE(defaults.text.find("version=\"1\""), std::string::npos);

  if (!std::filesystem::exists(kTickets)) GTEST_SKIP() << "no corpus at " << kTickets;
  const std::string job = ReadFile(kTickets / "mb09-job.xml");
  const Result corpus = Capabilities(&job);
  ASSERT_EQ(corpus.hr, S_OK) << corpus.message;
  EXPECT_EQ(AreaOf(corpus.text), kLetter);
}

TEST_F(TicketCapabilities, OffersFeaturesOptionsAndCustomSizeParameters) {
  const Result r = Capabilities(nullptr);
  ASSERT_EQ(r.hr, S_OK) << r.message;
  for (const char* offered :
       {"<psf:Option name=\"psk:ISOA3\">", "<psf:Option name=\"psk:JISB5\">", "<psf:Option name=\"psk:ReverseLandscape\">",
        "<psf:Option name=\"psk:TwoSidedShortEdge\">", "<psf:Option name=\"kp:MPTray\">",
        "<psf:Option name=\"kp:Resolution1200\">", "<psf:Feature name=\"kp:PageHeaderFooter\">",
        "<psf:ParameterRef name=\"psk:PageMediaSizeMediaSizeWidth\"/>",
        "<psf:ParameterDef name=\"psk:PageMediaSizeMediaSizeWidth\">",
        "<psf:Property name=\"psf:MinValue\"><psf:Value xsi:type=\"xsd:integer\">76200<",
        "<psf:Property name=\"psf:Mandatory\"><psf:Value xsi:type=\"xsd:QName\">psk:Conditional<"})
    EXPECT_NE(r.text.find(offered), std::string::npos) << offered;
}

TEST_F(TicketCapabilities, CustomSizeAndOrientationOfTheTicket) {
  const std::string custom = Ticket(
      Feature("psk:PageMediaSize", "psk:CustomMediaSize",
              "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:ParameterRef "
              "name=\"psk:PageMediaSizeMediaSizeWidth\"/></psf:ScoredProperty><psf:ScoredProperty "
              "name=\"psk:MediaSizeHeight\"><psf:ParameterRef name=\"psk:PageMediaSizeMediaSizeHeight\"/>"
              "</psf:ScoredProperty>") +
      IntegerInit("psk:PageMediaSizeMediaSizeWidth", "100000") + IntegerInit("psk:PageMediaSizeMediaSizeHeight", "148000") +
      Feature("psk:PageOrientation", "psk:Landscape"));
  const Result r = Capabilities(&custom);
  ASSERT_EQ(r.hr, S_OK) << r.message;
  EXPECT_EQ(AreaOf(r.text), (Area{148000, 100000, 4233, 4233, 139534, 91534}));

  // Options the printer does not offer count as its defaults.
  const std::string bogus = Ticket(Feature("psk:PageMediaSize", "psk:Bogus") + Feature("psk:PageOrientation", "psk:Up"));
  EXPECT_EQ(AreaOf(Capabilities(&bogus).text), kLetter);
}

// Margins of 1000, 2000, 3000 and 4000 microns on the media's left, top, right and bottom
// show how each orientation turns them onto the page.
TEST_F(TicketCapabilities, OrientationsExchangeTheSidesAndTurnTheMargins) {
  const auto path = std::filesystem::temp_directory_path() / "kestrel_margins_description.xml";
  std::ofstream(path) << "<PrinterDescription version=\"1\" "
                         "xmlns=\"http://schemas.kestrel-print.example/kestrel/printing/2006/11/printerdescription\" "
                         "xmlns:psk=\"" << kPsk << "\"><Printer model=\"Margins\"/>"
                         "<HardwareMargins left=\"1000\" top=\"2000\" right=\"3000\" bottom=\"4000\"/>"
                         "<Feature name=\"psk:PageMediaSize\"><Option name=\"psk:ISOA4\" default=\"true\">"
                         "<ScoredProperty name=\"psk:MediaSizeWidth\" integer=\"210000\"/>"
                         "<ScoredProperty name=\"psk:MediaSizeHeight\" integer=\"297000\"/></Option></Feature>"
                         "<Feature name=\"psk:PageOrientation\"><Option name=\"psk:Portrait\" default=\"true\"/>"
                         "<Option name=\"psk:Landscape\"/><Option name=\"psk:ReversePortrait\"/>"
                         "<Option name=\"psk:ReverseLandscape\"/></Feature></PrinterDescription>";
  Open(path.string());
  std::filesystem::remove(path);
  const std::pair<const char*, Area> cases[] = {
      {"psk:Portrait", {210000, 297000, 1000, 2000, 206000, 291000}},
      {"psk:Landscape", {297000, 210000, 4000, 1000, 291000, 206000}},
      {"psk:ReverseLandscape", {297000, 210000, 2000, 3000, 291000, 206000}},
      {"psk:ReversePortrait", {210000, 297000, 3000, 4000, 206000, 291000}},
  };
  for (const auto& [orientation, area] : cases) {
    const std::string ticket = Ticket(Feature("psk:PageOrientation", orientation));
    const Result r = Capabilities(&ticket);
    ASSERT_EQ(r.hr, S_OK) << r.message;
    EXPECT_EQ(AreaOf(r.text), area) << orientation;
  }
}

TEST_F(TicketCapabilities, MalformedTicketsAndArgumentsAreRefused) {
  for (const std::string& bad : {std::string("<not xml"), std::string("<PrintTicket version=\"1\"/>"),
                                 std::string("<psf:PrintTicket xmlns:psf=\"") + kPsf + "\"/>"}) {
    const Result r = Capabilities(&bad);
    EXPECT_EQ(r.hr, E_PRINTTICKET_FORMAT) << bad;
    EXPECT_FALSE(r.message.empty());
  }
  // A width smaller than the margins leaves no printable area, never a negative one.
  const std::string narrow = Ticket(Feature("psk:PageMediaSize", "psk:ISOA4", Scored("psk:MediaSizeWidth", 1)));
  EXPECT_EQ(AreaOf(Capabilities(&narrow).text), (Area{1, 297000, 4233, 4233, 0, 288534}));
  EXPECT_EQ(PTGetPrintCapabilities(provider_, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(PTGetPrintCapabilities(nullptr, nullptr, EmptyStream().Get(), nullptr), E_HANDLE);
}

}  // namespace
}  // namespace ticket_test
