#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/xps_package_reader.h"
#include "package/package_fixture.h"

namespace kestrel::package {
namespace {

using testing::PackageItems;
using testing::TemporaryFolder;

constexpr const char* kRequired = "http://schemas.microsoft.com/xps/2005/06/required-resource";
constexpr const char* kTicket = "http://schemas.microsoft.com/xps/2005/06/printticket";
constexpr const char* kFontName = "/Resources/0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9.odttf";

std::string ReadAll(PartReader& reader) {
  std::string bytes;
  char buffer[7];  // odd size: reads cross piece and obfuscation boundaries
  while (std::size_t got = reader.Read(buffer, sizeof buffer)) bytes.append(buffer, got);
  return bytes;
}

std::string PlainFont() {
  std::string font;
  for (int i = 0; i < 100; ++i) font += static_cast<char>(i);
  return font;
}

std::string Obfuscated(std::string bytes, const std::string& name) {
  ApplyFontObfuscation(*FontObfuscationKey(name), 0,
                       {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()});
  return bytes;
}

std::vector<Page> ReadPages(const PackageReader& reader, const Document& document) {
  std::vector<Page> pages;
  for (auto cursor = reader.Pages(document); auto page = cursor->Next();) pages.push_back(std::move(*page));
  return pages;
}

class PackageReaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<PackageReader> Open(const PackageItems& items, const ReaderLimits& limits = {}) {
    items.WriteTo(path_);
    return PackageReader::Open(path_, limits);
  }
  TemporaryFolder folder_;
  std::filesystem::path path_ = folder_ / "in.xps";
};

TEST_F(PackageReaderTest, ReadsDocumentsPagesTicketsAndResources) {
  PackageItems items(2);
  items.Set("Documents/1/Pages/_rels/1.fpage.rels",
            PackageItems::Relationships({{"../../../Resources/a.png", kRequired},
                                         {kFontName, kRequired},
                                         {"/Resources/D1.dict", kRequired},
                                         {"/Tickets/page1.xml", kTicket}}));
  // Two dictionaries that require each other and the font: each is listed once.
  items.Set("Resources/_rels/D1.dict.rels",
            PackageItems::Relationships({{"D2.dict", kRequired}, {kFontName, kRequired}}));
  items.Set("Resources/_rels/D2.dict.rels", PackageItems::Relationships({{"D1.dict", kRequired}}));
  items.Set("Resources/D1.dict", "<ResourceDictionary/>").Set("Resources/D2.dict", "<ResourceDictionary/>");
  items.Set("Resources/a.png", "png").Set(kFontName + 1, Obfuscated(PlainFont(), kFontName));
  items.Set("Tickets/page1.xml", "<PrintTicket/>");

  auto reader = Open(items);
  const Package& model = reader->Model();
  EXPECT_EQ(model.flavour, Flavour::Xps);
  ASSERT_EQ(model.sequence.documents.size(), 1u);
  const Document& document = model.sequence.documents[0];
  EXPECT_EQ(document.page_count, 2u);
  const std::vector<Page> pages = ReadPages(*reader, document);
  ASSERT_EQ(pages.size(), 2u);
  const Page& page = pages[0];
  EXPECT_EQ(page.name, "/Documents/1/Pages/1.fpage");
  EXPECT_EQ(page.ticket, "/Tickets/page1.xml");
  EXPECT_EQ(page.content_attributes, (std::vector<std::pair<std::string, std::string>>{{"Width", "816"}}));
  std::vector<std::tuple<std::string, PartKind, bool>> resources;
  for (const Resource& r : page.resources) resources.emplace_back(r.name, r.kind, r.through_dictionary);
  EXPECT_EQ(resources, (std::vector<std::tuple<std::string, PartKind, bool>>{
                           {"/Resources/a.png", PartKind::Image, false},
                           {kFontName, PartKind::Font, false},
                           {"/Resources/D1.dict", PartKind::ResourceDictionary, false},
                           {"/Resources/D2.dict", PartKind::ResourceDictionary, true}}));
  EXPECT_FALSE(pages[1].ticket);

  const std::optional<Part> font = reader->Find("/RESOURCES/0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9.ODTTF");
  ASSERT_TRUE(font);
  EXPECT_TRUE(font->obfuscated);
  auto in = reader->OpenPart(font->name);
  EXPECT_EQ(ReadAll(*in), PlainFont());
}

TEST_F(PackageReaderTest, JoinsInterleavedPiecesInOrder) {
  PackageItems items;
  items.Remove("Documents/1/Pages/1.fpage");
  const std::string markup = testing::kFixedPageMarkup;
  items.Set("Documents/1/Pages/1.fpage/[1].PIECE", markup.substr(10, 20));
  items.Set("Documents/1/Pages/1.fpage/[0].piece", markup.substr(0, 10));
  items.Set("Documents/1/Pages/1.fpage/[2].last.piece", markup.substr(30));
  auto reader = Open(items);
  auto in = reader->OpenPart("/Documents/1/Pages/1.fpage");
  EXPECT_EQ(in->Size(), markup.size());
  EXPECT_EQ(ReadAll(*in), markup);
  in->Seek(12);
  char byte;
  ASSERT_EQ(in->Read(&byte, 1), 1u);
  EXPECT_EQ(byte, markup[12]);
}

struct RejectionCase {
  const char* what;
  std::function<void(PackageItems&)> change;
  const char* message;
};

class PackageRejectionTest : public PackageReaderTest, public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(PackageRejectionTest, RejectsWithAMessageNamingThePart) {
  PackageItems items(2);
  GetParam().change(items);
  try {
    Open(items);
    FAIL() << "accepted: " << GetParam().what;
  } catch (const PackageError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
  }
}

std::string Nested(int depth) {
  std::string xml = "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\">";
  for (int i = 0; i < depth; ++i) xml += "<a>";
  for (int i = 0; i < depth; ++i) xml += "</a>";
  return xml + "</FixedDocumentSequence>";
}

const RejectionCase kRejections[] = {
    {"missing page", [](PackageItems& p) { p.Remove("Documents/1/Pages/2.fpage"); },
     "/Documents/1/Pages/2.fpage: missing part referenced by /Documents/1/FixedDocument.fdoc"},
    {"missing resource",
     [](PackageItems& p) {
       p.Set("Documents/1/Pages/_rels/2.fpage.rels", PackageItems::Relationships({{"/r.png", kRequired}}));
     },
     "/r.png: missing part referenced by /Documents/1/Pages/2.fpage"},
    {"missing piece",
     [](PackageItems& p) {
       p.Remove("Documents/1/Pages/1.fpage");
       p.Set("Documents/1/Pages/1.fpage/[0].piece", "<a").Set("Documents/1/Pages/1.fpage/[2].last.piece", "/>");
     },
     "/Documents/1/Pages/1.fpage: piece [1] is missing"},
    {"duplicate piece",
     [](PackageItems& p) {
       p.Remove("Documents/1/Pages/1.fpage");
       p.Set("Documents/1/Pages/1.fpage/[0].piece", "<a").Set("Documents/1/Pages/1.fpage/[0].PIECE", "<a");
     },
     "piece [0] is stored twice"},
    {"unmarked last piece",
     [](PackageItems& p) {
       p.Remove("Documents/1/Pages/1.fpage");
       p.Set("Documents/1/Pages/1.fpage/[0].piece", "<a/>");
     },
     "the last piece is not marked .last"},
    {"pieces and a whole item of one part",
     [](PackageItems& p) { p.Set("Documents/1/Pages/1.fpage/[0].last.piece", "<a/>"); }, "stored twice"},
    {"items that are one part name",
     [](PackageItems& p) { p.Set("documents/1/PAGES/%31.fpage", "<a/>"); },
     "invalid part name: part name has percent-encoded unreserved character"},
    {"items differing in case", [](PackageItems& p) { p.Set("documents/1/PAGES/1.fpage", "<a/>"); },
     "stored twice (ZIP items whose names are the same part name)"},
    {"document type declaration",
     [](PackageItems& p) {
       p.Set("FixedDocumentSequence.fdseq",
             "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
             "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\">&b;</FixedDocumentSequence>");
     },
     "/FixedDocumentSequence.fdseq: XML with a document type declaration"},
    {"deep nesting", [](PackageItems& p) { p.Set("FixedDocumentSequence.fdseq", Nested(100000)); },
     "/FixedDocumentSequence.fdseq: malformed XML"},
    {"no content type", [](PackageItems& p) { p.Set("Resources/x.bin", "x"); },
     "/Resources/x.bin: no content type in [Content_Types].xml"},
    {"obfuscated font without a GUID", [](PackageItems& p) { p.Set("Resources/font.odttf", "x"); },
     "/Resources/font.odttf: obfuscated font whose name holds no GUID"},
    {"no start part", [](PackageItems& p) { p.Set("_rels/.rels", PackageItems::Relationships({})); },
     "/_rels/.rels: no start part relationship"},
    {"no content types part", [](PackageItems& p) { p.Remove("[Content_Types].xml"); }, "no [Content_Types].xml"},
    {"part inside another part", [](PackageItems& p) { p.Set("Documents/1/Pages/1.fpage/x.xml", "<a/>"); },
     "/Documents/1/Pages/1.fpage/x.xml: lies inside part /Documents/1/Pages/1.fpage"},
    {"page twice",
     [](PackageItems& p) {
       p.Set("Documents/1/FixedDocument.fdoc",
             "<FixedDocument xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><PageContent Source=\"Pages/1.fpage\"/>"
             "<PageContent Source=\"/documents/1/pages/1.fpage\"/></FixedDocument>");
     },
     "/Documents/1/Pages/1.fpage: referenced twice"},
    {"unknown element not ignorable",
     [](PackageItems& p) {
       p.Set("FixedDocumentSequence.fdseq",
             "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xmlns:x=\"urn:x\">"
             "<x:Other/><DocumentReference Source=\"Documents/1/FixedDocument.fdoc\"/></FixedDocumentSequence>");
     },
     "element Other of namespace \"urn:x\" is not understood"},
    {"print ticket of the wrong content type",
     [](PackageItems& p) {
       p.Set("_rels/FixedDocumentSequence.fdseq.rels", PackageItems::Relationships({{"/Documents/1/Pages/1.fpage", kTicket}}));
     },
     "print ticket with content type"},
};

INSTANTIATE_TEST_SUITE_P(Malformed, PackageRejectionTest, ::testing::ValuesIn(kRejections),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST_F(PackageReaderTest, AcceptsIgnorableMarkupAndAlternateContent) {
  PackageItems items;
  items.Set("FixedDocumentSequence.fdseq",
            "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xmlns:x=\"urn:x\" "
            "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" mc:Ignorable=\"x\">"
            "<x:Other/><mc:AlternateContent><mc:Choice Requires=\"x\"><x:Better/></mc:Choice>"
            "<mc:Fallback><DocumentReference Source=\"Documents/1/FixedDocument.fdoc\"/></mc:Fallback>"
            "</mc:AlternateContent></FixedDocumentSequence>");
  EXPECT_EQ(Open(items)->Model().sequence.documents.size(), 1u);
}

// A document's pages are read again from its markup, one at a time: in order,
// through markup compatibility, with their PageContent attributes and links.
TEST_F(PackageReaderTest, ReadsADocumentsPagesAgainFromItsMarkup) {
  constexpr int kPages = 3000;  // markup longer than the reader's buffers
  PackageItems items(kPages);
  std::string document =
      "<FixedDocument xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xmlns:x=\"urn:x\" "
      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" mc:Ignorable=\"x\">";
  for (int i = 1; i <= kPages; ++i) {
    const std::string source = "Pages/" + std::to_string(i) + ".fpage";
    if (i == 2) {
      document += "<x:Other/><mc:AlternateContent><mc:Choice Requires=\"x\"><x:Page/></mc:Choice><mc:Fallback>"
                  "<PageContent Source=\"" + source + "\" Height=\"1\"/></mc:Fallback></mc:AlternateContent>";
    } else if (i == 3) {
      document += "<PageContent Source=\"" + source + "\"><PageContent.LinkTargets><LinkTarget Name=\"a\"/>"
                  "<LinkTarget Name=\"b\"/></PageContent.LinkTargets></PageContent>";
    } else {
      document += "<PageContent Source=\"" + source + "\" Width=\"" + std::to_string(i) + "\"/>\n";
    }
  }
  items.Set("Documents/1/FixedDocument.fdoc", document + "</FixedDocument>");
  items.Set("Documents/1/Pages/_rels/3.fpage.rels", PackageItems::Relationships({{"/Tickets/3.xml", kTicket}}));
  items.Set("Tickets/3.xml", "<PrintTicket/>");
  auto reader = Open(items);
  const Document& model = reader->Model().sequence.documents.at(0);
  EXPECT_EQ(model.page_count, static_cast<std::uint64_t>(kPages));
  const std::vector<Page> pages = ReadPages(*reader, model);
  ASSERT_EQ(pages.size(), static_cast<std::size_t>(kPages));
  using Attributes = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(pages[1].content_attributes, (Attributes{{"Height", "1"}}));
  EXPECT_EQ(pages[2].link_targets, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(pages[2].ticket, "/Tickets/3.xml");
  for (int i : {1, 4, kPages}) {
    const Page& page = pages[static_cast<std::size_t>(i - 1)];
    EXPECT_EQ(page.name, "/Documents/1/Pages/" + std::to_string(i) + ".fpage");
    EXPECT_EQ(page.content_attributes, (Attributes{{"Width", std::to_string(i)}}));
    EXPECT_FALSE(page.ticket);
  }
  // Two cursors over one document read independently.
  auto first = reader->Pages(model);
  auto second = reader->Pages(model);
  first->Next();
  EXPECT_EQ(second->Next()->name, "/Documents/1/Pages/1.fpage");
  EXPECT_EQ(first->Next()->name, "/Documents/1/Pages/2.fpage");
}

TEST_F(PackageReaderTest, ToleratesAMissingThumbnailAndDropsItsRelationship) {
  PackageItems items;
  items.Set("_rels/.rels",
            PackageItems::Relationships(
                {{"/FixedDocumentSequence.fdseq", "http://schemas.microsoft.com/xps/2005/06/fixedrepresentation"},
                 {"/thumb.png", reltype::kThumbnail}}));
  items.Set("Documents/1/Pages/_rels/1.fpage.rels",
            PackageItems::Relationships({{"/Tickets/gone.png", reltype::kThumbnail}, {"/Tickets/1.xml", kTicket}}));
  items.Set("Tickets/1.xml", "<PrintTicket/>");
  auto reader = Open(items);
  EXPECT_EQ(reader->Model().package_relationships.size(), 1u);
  EXPECT_EQ(reader->Model().warnings,
            (std::vector<std::string>{
                "/thumb.png: missing part referenced by /_rels/.rels (relationship R1 dropped)",
                "/Tickets/gone.png: missing part referenced by /Documents/1/Pages/1.fpage (relationship R0 dropped)"}));
  // Read again later, the page's relationships are as Open left them.
  const std::vector<Relationship> page = reader->Relationships("/documents/1/pages/1.FPAGE");
  ASSERT_EQ(page.size(), 1u);
  EXPECT_EQ(page[0].target, "/Tickets/1.xml");
  EXPECT_EQ(reader->Relationships("/"), reader->Model().package_relationships);
  EXPECT_TRUE(reader->Relationships("/Tickets/1.xml").empty());
}

TEST_F(PackageReaderTest, CapsUncompressedSizeBeforeReading) {
  PackageItems items;
  items.Set("Resources/big.png", std::string(8 << 20, '\0'));  // deflates to a few kilobytes
  ReaderLimits limits;
  limits.max_part_size = 1 << 20;
  try {
    Open(items, limits);
    FAIL() << "accepted";
  } catch (const PackageError& error) {
    EXPECT_STREQ(error.what(), "/Resources/big.png: uncompressed size 8388608 over the limit of 1048576 bytes");
  }
}

TEST_F(PackageReaderTest, ReadsPagesOnlyWhenAskedAndReportsDamageThen) {
  PackageItems items;
  items.Set("Documents/1/Pages/1.fpage", std::string("<FixedPage MARKER/>"));
  items.WriteTo(path_, true);
  {
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    const std::size_t at = bytes.find("MARKER");
    ASSERT_NE(at, std::string::npos);
    file.seekp(static_cast<std::streamoff>(at));
    file.put('m');
  }
  auto reader = PackageReader::Open(path_);
  auto in = reader->OpenPart("/Documents/1/Pages/1.fpage");
  try {
    ReadAll(*in);
    FAIL() << "damage not seen";
  } catch (const PackageError& error) {
    EXPECT_EQ(error.Part(), "/Documents/1/Pages/1.fpage");
  }
}

TEST_F(PackageReaderTest, ReadsDifferentPartsFromSeveralThreads) {
  constexpr int kPages = 8;
  PackageItems items(kPages);
  for (int i = 1; i <= kPages; ++i) {
    items.Set("Documents/1/Pages/" + std::to_string(i) + ".fpage", std::string(300000, static_cast<char>('a' + i)));
  }
  auto reader = Open(items);
  std::vector<std::thread> threads;
  std::vector<int> good(kPages, 0);
  for (int i = 1; i <= kPages; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 3; ++round) {
        auto in = reader->OpenPart("/Documents/1/Pages/" + std::to_string(i) + ".fpage");
        good[i - 1] += ReadAll(*in) == std::string(300000, static_cast<char>('a' + i));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(kPages, 3));
}

TEST_F(PackageReaderTest, PartReadersOutliveTheirPackageReader) {
  std::unique_ptr<PartReader> in = Open(PackageItems())->OpenPart("/Documents/1/Pages/1.fpage");
  EXPECT_EQ(ReadAll(*in), testing::kFixedPageMarkup);
}

}  // namespace
}  // namespace kestrel::package
