#include <gtest/gtest.h>

#include <sys/stat.h>
#include <zip.h>

#include <thread>

#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/xps_package_reader.h"
#include "host/package/xps_package_writer.h"
#include "package/package_fixture.h"

namespace kestrel::package {
namespace {

using testing::TemporaryFolder;

constexpr const char* kPageType = "application/vnd.ms-package.xps-fixedpage+xml";
constexpr const char* kFont = "/Resources/0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9.odttf";

void WritePart(PackageWriter& writer, const std::string& name, const std::string& type, const std::string& bytes,
               const PartOptions& options = {}) {
  auto sink = writer.BeginPart(name, type, options);
  sink->Write(bytes.data(), bytes.size());
  sink->Finish();
}

// The raw bytes of one ZIP item.
std::string RawItem(const std::filesystem::path& path, const std::string& item) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) return "<no archive>";
  zip_stat_t stat;
  std::string bytes;
  if (zip_stat(archive, item.c_str(), 0, &stat) == 0) {
    bytes.resize(stat.size);
    zip_file_t* file = zip_fopen(archive, item.c_str(), 0);
    zip_fread(file, bytes.data(), bytes.size());
    zip_fclose(file);
  } else {
    bytes = "<no item>";
  }
  zip_discard(archive);
  return bytes;
}

std::string ReadPart(const PackageReader& reader, const std::string& name) {
  auto in = reader.OpenPart(name);
  std::string bytes(in->Size(), '\0');
  std::size_t filled = 0;
  while (std::size_t got = in->Read(bytes.data() + filled, bytes.size() - filled)) filled += got;
  return bytes;
}

// A minimal printable package: sequence, document, one page.
void WriteMinimalPackage(PackageWriter& writer, const std::string& page_markup) {
  WritePart(writer, "/FixedDocumentSequence.fdseq", "application/vnd.ms-package.xps-fixeddocumentsequence+xml",
            "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\">"
            "<DocumentReference Source=\"/Documents/1/FixedDocument.fdoc\"/></FixedDocumentSequence>");
  WritePart(writer, "/Documents/1/FixedDocument.fdoc", "application/vnd.ms-package.xps-fixeddocument+xml",
            "<FixedDocument xmlns=\"http://schemas.microsoft.com/xps/2005/06\">"
            "<PageContent Source=\"Pages/1.fpage\"/></FixedDocument>");
  WritePart(writer, "/Documents/1/Pages/1.fpage", kPageType, page_markup);
  writer.AddRelationship("/", {"", reltype::kStartPartXps, "/FixedDocumentSequence.fdseq", false});
}

class PackageWriterTest : public ::testing::Test {
 protected:
  TemporaryFolder folder_;
  std::filesystem::path output_ = folder_ / "out.xps";
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}));
  }
};

TEST_F(PackageWriterTest, WritesAPackageTheReaderReadsBack) {
  std::string font(1000, 'f');
  for (int i = 0; i < 64; ++i) font[i] = static_cast<char>(i);
  {
    PackageWriter writer(output_);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    WritePart(writer, kFont, kObfuscatedFontContentType, font, {.obfuscate = true});
    WritePart(writer, "/Tickets/page.xml", "application/vnd.ms-printing.printticket+xml", "<PrintTicket/>");
    WritePart(writer, "/Tickets/odd.xml", "text/xml", "<x/>");
    writer.AddRelationship("/Documents/1/Pages/1.fpage", {"", reltype::kRequiredResourceXps, kFont, false});
    writer.AddRelationship("/Documents/1/Pages/1.fpage", {"T", reltype::kPrintTicketXps, "/Tickets/page.xml", false});
    writer.Commit();
  }
  EXPECT_EQ(FilesInFolder(), 1u);
  // The output gets a new file's usual permissions, not the private ones of the temporary file.
  const mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(output_).permissions()), 0666 & ~mask);

  // Stored obfuscated: the first 32 bytes differ, the rest is as given.
  const std::string stored = RawItem(output_, std::string(kFont + 1));
  ASSERT_EQ(stored.size(), font.size());
  EXPECT_NE(stored.substr(0, 32), font.substr(0, 32));
  EXPECT_EQ(stored.substr(32), font.substr(32));
  // One Default per extension, Overrides for the odd ones out.
  const std::string types = RawItem(output_, "[Content_Types].xml");
  EXPECT_NE(types.find("<Default Extension=\"xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>"),
            std::string::npos);
  EXPECT_NE(types.find("<Override PartName=\"/Tickets/odd.xml\" ContentType=\"text/xml\"/>"), std::string::npos);

  auto reader = PackageReader::Open(output_);
  const Page page = *reader->Pages(reader->Model().sequence.documents.at(0))->Next();
  EXPECT_EQ(page.ticket, "/Tickets/page.xml");
  ASSERT_EQ(page.resources.size(), 1u);
  EXPECT_EQ(ReadPart(*reader, kFont), font);
  EXPECT_EQ(ReadPart(*reader, page.name), testing::kFixedPageMarkup);
}

TEST_F(PackageWriterTest, RejectsNamesItCannotStore) {
  PackageWriter writer(output_);
  WritePart(writer, "/a.xml", "text/xml", "<a/>");
  const std::pair<std::string, std::string> cases[] = {
      {"/A.XML", "/A.XML: a part of this name was already added"},
      {"/%61.xml", "/%61.xml: invalid part name: part name has percent-encoded unreserved character"},
      {"/_rels/.rels", "/_rels/.rels: relationships parts are written from the relationships added"},
      {"relative.xml", "relative.xml: invalid part name: part name must start with '/'"},
  };
  for (const auto& [name, message] : cases) {
    try {
      writer.BeginPart(name, "text/xml");
      ADD_FAILURE() << "accepted " << name;
    } catch (const PackageError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
  // Obfuscation the reader could not recognise, or would undo on a plain font, corrupts the font.
  EXPECT_THROW(writer.BeginPart("/font.odttf", kObfuscatedFontContentType, {.obfuscate = true}), PackageError);
  EXPECT_THROW(writer.BeginPart("/0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9.ttf", "application/vnd.ms-opentype",
                                {.obfuscate = true}),
               PackageError);
  EXPECT_THROW(writer.BeginPart(kFont, kObfuscatedFontContentType), PackageError);
}

TEST_F(PackageWriterTest, WritesFinishedRelationshipsAtOnceAndRefusesLaterOnes) {
  constexpr const char* kPage = "/Documents/1/Pages/1.fpage";
  {
    PackageWriter writer(output_);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    WritePart(writer, "/Tickets/page.xml", "application/vnd.ms-printing.printticket+xml", "<PrintTicket/>");
    writer.AddRelationship(kPage, {"", reltype::kRequiredResourceXps, "/missing.png", false});
    const std::pair<const char*, const char*> refused[] = {
        {"/Documents/1/FixedDocument.fdoc", nullptr},  // no relationships: nothing to write, nothing to refuse
        {"/later.xml", "/later.xml: relationships finished before the part itself"},
        {kPage, "/missing.png: missing part referenced by relationship R1 of /Documents/1/Pages/1.fpage"},
    };
    for (const auto& [source, message] : refused) {
      try {
        writer.FinishRelationships(source);
        EXPECT_EQ(message, nullptr) << source;
      } catch (const PackageError& error) {
        EXPECT_STREQ(error.what(), message);
      }
    }
    WritePart(writer, "/missing.png", "image/png", "png");
    writer.AddRelationship(kPage, {"T", reltype::kPrintTicketXps, "/Tickets/page.xml", false});
    writer.FinishRelationships(kPage);
    EXPECT_THROW(writer.AddRelationship(kPage, {"", reltype::kRequiredResourceXps, "/missing.png", false}),
                 PackageError);
    EXPECT_THROW(writer.FinishRelationships(kPage), PackageError);
    EXPECT_THROW(writer.AddRelationship("/Documents/1/FixedDocument.fdoc", {"", "x", "/missing.png", false}),
                 PackageError);
    writer.Commit();
  }
  EXPECT_EQ(RawItem(output_, "Documents/1/Pages/_rels/1.fpage.rels"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"R1\" "
            "Type=\"http://schemas.microsoft.com/xps/2005/06/required-resource\" Target=\"/missing.png\"/>"
            "<Relationship Id=\"T\" Type=\"http://schemas.microsoft.com/xps/2005/06/printticket\" "
            "Target=\"/Tickets/page.xml\"/></Relationships>");
  const auto reader = PackageReader::Open(output_);
  EXPECT_EQ(reader->Pages(reader->Model().sequence.documents.at(0))->Next()->ticket, "/Tickets/page.xml");
}

// Enough parts that the writer's record of them spills to its spool file: the
// Defaults and Overrides are those of the most frequent type per extension.
TEST_F(PackageWriterTest, ListsContentTypesOfManyParts) {
  std::string expected_overrides;
  {
    PackageWriter writer(output_, 0);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    for (int i = 0; i < 6000; ++i) {
      const std::string name = "/Metadata/Tickets/ticket-number-" + std::to_string(i) + ".xml";
      const char* type = i % 3 ? "application/vnd.ms-printing.printticket+xml" : "text/xml";
      WritePart(writer, name, type, "<x/>");
      if (i % 3 == 0) expected_overrides += "<Override PartName=\"" + name + "\" ContentType=\"text/xml\"/>";
    }
    WritePart(writer, "/NoExtension", "text/plain", "x");
    writer.Commit();
  }
  EXPECT_EQ(RawItem(output_, "[Content_Types].xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"fdoc\" ContentType=\"application/vnd.ms-package.xps-fixeddocument+xml\"/>"
            "<Default Extension=\"fdseq\" ContentType=\"application/vnd.ms-package.xps-fixeddocumentsequence+xml\"/>"
            "<Default Extension=\"fpage\" ContentType=\"application/vnd.ms-package.xps-fixedpage+xml\"/>"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>" +
                expected_overrides + "<Override PartName=\"/NoExtension\" ContentType=\"text/plain\"/></Types>");
}

// 65535 items and more need the ZIP64 end records even in a small file.
TEST_F(PackageWriterTest, WritesMoreItemsThanTheClassicEndRecordCounts) {
  constexpr int kParts = 70000;
  {
    PackageWriter writer(output_, 0);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    for (int i = 0; i < kParts; ++i) WritePart(writer, "/Many/" + std::to_string(i) + ".png", "image/png", "x");
    writer.Commit();
  }
  auto reader = PackageReader::Open(output_);
  std::size_t parts = 0;
  reader->ForEachPart([&](const Part&) { ++parts; });
  EXPECT_EQ(parts, kParts + 3u);
  EXPECT_EQ(ReadPart(*reader, "/Many/69999.png"), "x");
}

TEST_F(PackageWriterTest, LeavesNothingWithoutCommit) {
  {
    PackageWriter writer(output_);
    WriteMinimalPackage(writer, std::string(2 << 20, 'x'));  // large enough to stream and spool
    EXPECT_EQ(FilesInFolder(), 1u);  // the temporary file
  }
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(PackageWriterTest, CommitFailsOnADanglingRelationshipAndLeavesNoOutput) {
  {
    PackageWriter writer(output_);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    writer.AddRelationship("/Documents/1/Pages/1.fpage", {"", reltype::kRequiredResourceXps, "/missing.png", false});
    try {
      writer.Commit();
      FAIL() << "committed";
    } catch (const PackageError& error) {
      EXPECT_STREQ(error.what(), "/missing.png: missing part referenced by relationship R1 of /Documents/1/Pages/1.fpage");
    }
  }
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(PackageWriterTest, CommitFailsWhileAPartIsOpen) {
  PackageWriter writer(output_);
  auto open = writer.BeginPart("/a.xml", "text/xml");
  EXPECT_THROW(writer.Commit(), PackageError);
}

TEST_F(PackageWriterTest, AbandonedPartsAreLeftOutOrBreakThePackage) {
  {
    // Abandoned while spooled: simply not part of the package; its name is free again.
    PackageWriter writer(output_);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    writer.BeginPart("/a.xml", "text/xml")->Write("<a", 2);
    WritePart(writer, "/a.xml", "text/xml", "<a/>");
    writer.Commit();
  }
  EXPECT_EQ(RawItem(output_, "a.xml"), "<a/>");
  {
    // Abandoned after bytes went into the ZIP stream: they cannot be taken back.
    PackageWriter writer(folder_ / "broken.xps");
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    const std::string big(1 << 20, 'b');
    writer.BeginPart("/big.bin", "application/octet-stream")->Write(big.data(), big.size());
    EXPECT_THROW(writer.Commit(), PackageError);
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ / "broken.xps"));
}

// Parts written in turns from several threads, some larger than the memory
// bound, end up whole and in the package, whichever streams and whichever spools.
TEST_F(PackageWriterTest, InterleavedPartsFromSeveralThreads) {
  constexpr int kParts = 6;
  auto bytes_of = [](int i) {
    std::string bytes((i % 2 ? 3 : 1) * 400000 + i, '\0');
    for (std::size_t j = 0; j < bytes.size(); ++j) bytes[j] = static_cast<char>((j * 31 + i) % 251);
    return bytes;
  };
  {
    PackageWriter writer(output_, 1);
    WriteMinimalPackage(writer, testing::kFixedPageMarkup);
    std::vector<std::thread> threads;
    for (int i = 0; i < kParts; ++i) {
      threads.emplace_back([&, i] {
        const std::string bytes = bytes_of(i);
        auto sink = writer.BeginPart("/Parts/" + std::to_string(i) + ".bin", "application/octet-stream");
        for (std::size_t at = 0; at < bytes.size(); at += 65536) {
          sink->Write(bytes.data() + at, std::min<std::size_t>(65536, bytes.size() - at));
          std::this_thread::yield();
        }
        sink->Finish();
      });
    }
    for (auto& thread : threads) thread.join();
    writer.Commit();
  }
  auto reader = PackageReader::Open(output_);
  for (int i = 0; i < kParts; ++i) EXPECT_EQ(ReadPart(*reader, "/Parts/" + std::to_string(i) + ".bin"), bytes_of(i)) << i;
}

TEST_F(PackageWriterTest, CompressionLevelZeroStores) {
  const std::string page(100000, ' ');
  for (int level : {0, 9}) {
    const auto path = folder_ / ("level" + std::to_string(level) + ".xps");
    PackageWriter writer(path, level);
    WriteMinimalPackage(writer, page);
    writer.Commit();
    const auto size = std::filesystem::file_size(path);
    if (level == 0) {
      EXPECT_GT(size, page.size());
    } else {
      EXPECT_LT(size, page.size() / 50);
    }
  }
}

}  // namespace
}  // namespace kestrel::package
