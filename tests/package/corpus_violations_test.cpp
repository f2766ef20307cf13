// Every document of the corpus of conformance violations: rejected with the
// message given, or (nullptr) read safely, every part to its end. Tolerated
// are the violations the package layer has no stake in (page markup, which
// the filters parse, and harmless extras such as a thumbnail that is missing
// or core properties of another type); rejected is what leaves the document
// unprintable or ambiguous: broken ZIP data, part names, content types and
// relationships that do not follow the packaging rules, structure parts
// missing, duplicated or of the wrong kind, more than one print ticket.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "host/package/package_error.h"
#include "host/package/xps_package_reader.h"

namespace kestrel::package {
namespace {

struct Violation {
  const char* file;
  const char* rejection;  // nullptr: the document reads safely
};

const Violation kViolations[] = {
    {"MarkupCompatibility_M1.1a.oxps", nullptr},
    {"MarkupCompatibility_M1.2a.xps", nullptr},
    {"MarkupCompatibility_M2.14a.oxps", nullptr},
    {"MarkupCompatibility_M2.14a.xps", nullptr},
    {"MarkupCompatibility_M2.20a.oxps", nullptr},
    {"MarkupCompatibility_M2.20a.xps", nullptr},
    {"MarkupCompatibility_M2.27a.oxps", nullptr},
    {"MarkupCompatibility_M2.27a.xps", nullptr},
    {"MarkupCompatibility_M2.30a.oxps", nullptr},
    {"MarkupCompatibility_M2.30a.xps", nullptr},
    {"MarkupCompatibility_M2.32a.oxps", nullptr},
    {"MarkupCompatibility_M2.32a.xps", nullptr},
    {"MarkupCompatibility_M2.35a.oxps", nullptr},
    {"MarkupCompatibility_M2.35a.xps", nullptr},
    {"MarkupCompatibility_M2.36a.xps", nullptr},
    {"MarkupCompatibility_M2.36b.oxps", nullptr},
    {"MarkupCompatibility_M2.41b.oxps", nullptr},
    {"MarkupCompatibility_M2.42a.xps", nullptr},
    {"MarkupCompatibility_M2.42b.oxps", nullptr},
    {"MarkupCompatibility_M2.43b.oxps", nullptr},
    {"MarkupCompatibility_M2.44a.xps", nullptr},
    {"MarkupCompatibility_M2.48a.oxps", nullptr},
    {"MarkupCompatibility_M2.49a.xps", nullptr},
    {"MarkupCompatibility_M2.49b.oxps", nullptr},
    {"MarkupCompatibility_M2.52a.oxps", nullptr},
    {"MarkupCompatibility_M2.52a.xps", nullptr},
    {"MarkupCompatibility_M2.56a.oxps", nullptr},
    {"MarkupCompatibility_M2.56a.xps", nullptr},
    {"OXPS_M10.23a.oxps", nullptr},
    {"OXPS_M10.6b.oxps", nullptr},
    {"OXPS_M12.3a.oxps", "/Documents/1/Pages/1.fpage: referenced twice (again by /Documents/1/FixedDoc.fdoc)"},
    {"OXPS_M12.5a.oxps", "/FixedDocSeq.fdseq: more than one print ticket"},
    {"OXPS_M12.5c.oxps", "/FixedDocSeq.fdseq: more than one print ticket"},
    {"OXPS_M2.10a.oxps", nullptr},
    {"OXPS_M2.13a.oxps", "/_rels/.rels: no start part relationship: not an XPS package"},
    {"OXPS_M2.14a.oxps", "/Documents/1/FixedDoc.fdoc: start part with content type \"application/vnd.ms-package.xps-fixeddocument+xml\", expected \"application/vnd.ms-package.xps-fixeddocumentsequence+xml\""},
    {"OXPS_M2.17a.oxps", nullptr},
    {"OXPS_M2.25a.oxps", nullptr},
    {"OXPS_M2.2b.oxps", "/Documents/1/FixedDoc.fdoc: fixed document with content type \"InvalidContentType/InvalidContentType\", expected \"application/vnd.ms-package.xps-fixeddocument+xml\""},
    {"OXPS_M2.35a.oxps", nullptr},
    {"OXPS_M2.37a.oxps", nullptr},
    {"OXPS_M2.39b.oxps", nullptr},
    {"OXPS_M2.3a.oxps", "/_rels/.rels: no start part relationship: not an XPS package"},
    {"OXPS_M2.3c.oxps", "/FixedDocSeq.fdseq: missing part referenced by /_rels/.rels"},
    {"OXPS_M2.4b.oxps", "/FixedDocSeq.fdseq: no DocumentReference"},
    {"OXPS_M2.59a.oxps", "/FixedDocSeq.fdseq: more than one print ticket"},
    {"OXPS_M2.59c.oxps", "/Documents/1/Pages/1.fpage: more than one print ticket"},
    {"OXPS_M2.5b.oxps", "/Documents/1/FixedDoc.fdoc: no PageContent"},
    {"OXPS_M2.6b.oxps", nullptr},
    {"OXPS_M2.70a.oxps", "/[Content_Types].xml: XML encoding big5 (only UTF-8 and UTF-16 are allowed)"},
    {"OXPS_M2.71b.oxps", "/[Content_Types].xml: XML with a document type declaration"},
    {"OXPS_M2.72a.oxps", "/FixedDocSeq.fdseq: root element FixedDocumentSequence of namespace \"http://schemas.microsoft.com/xps/2005/06\", expected FixedDocumentSequence of \"http://schemas.openxps.org/oxps/v1.0\""},
    {"OXPS_M2.72c.oxps", nullptr},
    {"OXPS_M2.73b.oxps", nullptr},
    {"OXPS_M2.74b.oxps", nullptr},
    {"OXPS_M2.75a.oxps", nullptr},
    {"OXPS_M2.75c.oxps", nullptr},
    {"OXPS_M2.76a.oxps", nullptr},
    {"OXPS_M2.77b.oxps", nullptr},
    {"OXPS_M2.7b.oxps", nullptr},
    {"OXPS_M2.80.oxps", nullptr},
    {"OXPS_M2.82.oxps", nullptr},
    {"OXPS_M2.8b.oxps", nullptr},
    {"OXPS_M3.11a.oxps", nullptr},
    {"OXPS_M3.12a.oxps", nullptr},
    {"OXPS_M3.13a.oxps", nullptr},
    {"OXPS_M3.20a.oxps", nullptr},
    {"OXPS_M3.2a.oxps", "/FixedDocSeq.fdseq: DocumentReference without Source"},
    {"OXPS_M3.3a.oxps", "/Documents/1/FixedDoc.fdoc: referenced twice (again by /FixedDocSeq.fdseq)"},
    {"OXPS_M3.5b.oxps", "/Documents/1/FixedDoc.fdoc: Source \"\" is no part name"},
    {"OXPS_M3.6b.oxps", "/Documents/1/Pages/1.fpage: referenced twice (again by /Documents/2/FixedDoc.fdoc)"},
    {"OXPS_M4.1b.oxps", nullptr},
    {"OXPS_M4.2a.oxps", nullptr},
    {"OXPS_M4.3a.oxps", nullptr},
    {"OXPS_M5.2a.oxps", nullptr},
    {"OXPS_M5.2c.oxps", nullptr},
    {"OXPS_M5.3b.oxps", nullptr},
    {"OXPS_M5.4a.oxps", nullptr},
    {"OXPS_M5.7a.oxps", nullptr},
    {"OXPS_M6.1b.oxps", nullptr},
    {"OXPS_M6.2b.oxps", nullptr},
    {"OXPS_M6.3b.oxps", nullptr},
    {"OXPS_M6.4b.oxps", nullptr},
    {"OXPS_M6.5b.oxps", nullptr},
    {"OXPS_M6.6b.oxps", nullptr},
    {"OXPS_M7.11b.oxps", nullptr},
    {"OXPS_M7.2b.oxps", nullptr},
    {"OXPS_M7.5a.oxps", nullptr},
    {"OXPS_M8.14a.oxps", nullptr},
    {"OXPS_M9.10b.oxps", nullptr},
    {"OpenPackagingConventions_M1.10b.oxps", "/Documents/1/Pages/1.fpage: missing part referenced by /Documents/1/FixedDoc.fdoc"},
    {"OpenPackagingConventions_M1.11a.xps", "/[Content_Types].xml/FixedDocSeq.fdseq: invalid part name: part name has character '[' not allowed"},
    {"OpenPackagingConventions_M1.12a.oxps", "/Resources/Images/image_0.jpg: stored twice (ZIP items whose names are the same part name)"},
    {"OpenPackagingConventions_M1.13b.oxps", "/[Content_Types].xml: invalid content type \"image/jpeg?\""},
    {"OpenPackagingConventions_M1.14b.oxps", "/[Content_Types].xml: invalid content type \"    image/jpeg\""},
    {"OpenPackagingConventions_M1.15a.oxps", "/[Content_Types].xml: malformed XML (line 2): Couldn't find end of Start Tag Default line 2"},
    {"OpenPackagingConventions_M1.17b.oxps", "/_rels/.rels: XML encoding iso-8859-1 (only UTF-8 and UTF-16 are allowed)"},
    {"OpenPackagingConventions_M1.18a.xps", "/[Content_Types].xml: invalid content type \" application/vnd.ms-package.xps-fixedpage+xml\""},
    {"OpenPackagingConventions_M1.18b.oxps", "/_rels/.rels: XML with a document type declaration"},
    {"OpenPackagingConventions_M1.1a.xps", "/: invalid part name: part name must not end with '/'"},
    {"OpenPackagingConventions_M1.20a.oxps", nullptr},
    {"OpenPackagingConventions_M1.20a.xps", "/[Content_Types].xml: XML encoding ISO-8859-1 (only UTF-8 and UTF-16 are allowed)"},
    {"OpenPackagingConventions_M1.21a.oxps", nullptr},
    {"OpenPackagingConventions_M1.22a.oxps", nullptr},
    {"OpenPackagingConventions_M1.26a.oxps", "/_rels/.rels: two relationships with Id rId2"},
    {"OpenPackagingConventions_M1.26b.xps", "/_rels/.rels: invalid relationship Id \"rId3#\""},
    {"OpenPackagingConventions_M1.27a.oxps", "/_rels/.rels: Relationship without Id, Type or Target"},
    {"OpenPackagingConventions_M1.27a.xps", "/_rels/.rels: Relationship without Id, Type or Target"},
    {"OpenPackagingConventions_M1.28a.oxps", "/_rels/.rels: Relationship without Id, Type or Target"},
    {"OpenPackagingConventions_M1.2a.oxps", "/docProps/thumbnail.jpeg: no content type in [Content_Types].xml"},
    {"OpenPackagingConventions_M1.2a.xps", "/Documents/1/Pages/1.fpage: no content type in [Content_Types].xml"},
    {"OpenPackagingConventions_M1.2c.oxps", "/[Content_Types].xml: invalid content type \"\""},
    {"OpenPackagingConventions_M1.30b.oxps", "/[Content_Types].xml: invalid content type \"dl\""},
    {"OpenPackagingConventions_M1.34a.xps", nullptr},
    {"OpenPackagingConventions_M1.5a.oxps", "/Documents/1/Pages/1.fpage/: folder item with content"},
    {"OpenPackagingConventions_M1.5a.xps", "/FixedDocSeq.fdseq: Source \"/Documents/1/FixedDoc.fdoc/\" is no part name"},
    {"OpenPackagingConventions_M1.6b.oxps", "/Documents/1/Pages/1.fpage: missing part referenced by /Documents/1/FixedDoc.fdoc"},
    {"OpenPackagingConventions_M1.6b.xps", "/Documents/1/FixedDoc#.fdoc: invalid part name: part name has character '#' not allowed"},
    {"OpenPackagingConventions_M1.6d.oxps", "/Documents/1/Pages]/1.fpage: invalid part name: part name has character ']' not allowed"},
    {"OpenPackagingConventions_M1.7b.oxps", "/Documents/1/Pages%5C/1.fpage: invalid part name: part name has percent-encoded slash"},
    {"OpenPackagingConventions_M1.7c.xps", "/FixedDocSeq.fdseq: Source \"/Documents/1/FixedDoc%5c.fdoc\" is no part name"},
    {"OpenPackagingConventions_M1.8b.oxps", "/Documents/1/Pages%51/1.fpage: invalid part name: part name has percent-encoded unreserved character"},
    {"OpenPackagingConventions_M1.9a.oxps", "/Documents/1/Pages./_rels/1.fpage.rels: invalid part name: part name has segment ends with a dot"},
    {"OpenPackagingConventions_M2.18a.oxps", "/_rels/.rels: piece [0] is missing"},
    {"OpenPackagingConventions_M2.18a.xps", nullptr},
    {"OpenPackagingConventions_M2.5a.oxps", "/[Content_Types].xml: two Defaults for extension fdseq"},
    {"OpenPackagingConventions_M2.5a.xps", "/[Content_Types].xml: two Defaults for extension jpeg"},
    {"OpenPackagingConventions_M2.6a.oxps", "/[Content_Types].xml: Default without Extension"},
    {"OpenPackagingConventions_M2.6a.xps", "/[Content_Types].xml: Default without Extension"},
    {"OpenPackagingConventions_M2.7a.oxps", "/[Content_Types].xml: Override without PartName"},
    {"OpenPackagingConventions_M2.7a.xps", "/[Content_Types].xml: Override without ContentType"},
    {"OpenPackagingConventions_M3.10a.oxps", "no [Content_Types].xml: not a package"},
    {"OpenPackagingConventions_M3.10a.xps", nullptr},
    {"OpenPackagingConventions_M3.10c.xps", nullptr},
    {"OpenPackagingConventions_M3.11b.xps", nullptr},
    {"OpenPackagingConventions_M3.12b.xps", nullptr},
    {"OpenPackagingConventions_M3.14a.xps", nullptr},
    {"OpenPackagingConventions_M3.16a.xps", nullptr},
    {"OpenPackagingConventions_M3.17b.xps", nullptr},
    {"OpenPackagingConventions_M3.1a.xps", nullptr},
    {"OpenPackagingConventions_M3.20a.xps", nullptr},
    {"OpenPackagingConventions_M3.21b.xps", nullptr},
    {"OpenPackagingConventions_M3.26a.xps", nullptr},
    {"OpenPackagingConventions_M3.29a.xps", nullptr},
    {"OpenPackagingConventions_M3.31a.xps", nullptr},
    {"OpenPackagingConventions_M3.32a.xps", nullptr},
    {"OpenPackagingConventions_M3.4a.xps", nullptr},
    {"OpenPackagingConventions_M3.5a.xps", nullptr},
    {"OpenPackagingConventions_M3.7a.xps", nullptr},
    {"OpenPackagingConventions_M3.9a.oxps", "/[Content_Types].xml: encrypted ZIP item"},
    {"OpenPackagingConventions_M3.9a.xps", nullptr},
    {"OpenPackagingConventions_M3.9c.xps", nullptr},
    {"OpenPackagingConventions_M4.2a.xps", "/FixedDocSeq.fdseq: Source \"/Documents/1/FixedDo%63.fdoc\" is no part name"},
    {"OpenPackagingConventions_M6.1a.xps", "not a readable ZIP package: Not a zip archive"},
    {"OpenPackagingConventions_M6.4a.xps", "/[Content_Types].xml: compression method 6 (packages allow only stored and deflated items)"},
    {"OpenPackagingConventions_M6.7a.xps", "not a readable ZIP package: Zip archive inconsistent"},
    {"OpenPackagingConventions_M7.2a.xps", nullptr},
    {"XPS_M12.2a.xps", "/Documents/1/FixedDocument.fdoc: referenced twice (again by /FixedDocumentSequence.fdseq)"},
    {"XPS_M12.5a.xps", "/FixedDocumentSequence.fdseq: more than one print ticket"},
    {"XPS_M2.10a.xps", nullptr},
    {"XPS_M2.13b.xps", "/_rels/.rels: more than one start part relationship"},
    {"XPS_M2.18a.xps", nullptr},
    {"XPS_M2.37a.xps", nullptr},
    {"XPS_M2.3b.xps", "/_rels/.rels: no start part relationship: not an XPS package"},
    {"XPS_M2.4a.xps", "/Documents/1/FixedDoc.fdoc: missing part referenced by /FixedDocSeq.fdseq"},
    {"XPS_M2.59a.xps", "/FixedDocumentSequence.fdseq: more than one print ticket"},
    {"XPS_M2.5b.xps", "/Documents/1/FixedDoc.fdoc: no PageContent"},
    {"XPS_M2.6b.xps", nullptr},
    {"XPS_M2.71b.xps", "/[Content_Types].xml: XML with a document type declaration"},
    {"XPS_M2.73a.xps", nullptr},
    {"XPS_M2.74a.xps", nullptr},
    {"XPS_M2.75b.xps", nullptr},
    {"XPS_M3.2a.xps", "/Documents/1/Pages/1.fpage: fixed document with content type \"application/vnd.ms-package.xps-fixedpage+xml\", expected \"application/vnd.ms-package.xps-fixeddocument+xml\""},
    {"XPS_M3.5a.xps", "/Documents/1/FixedDoc.fdoc: used both as fixed document and as fixed page (by /Documents/1/FixedDoc.fdoc)"},
    {"XPS_M3.6b.xps", "/Documents/1/Pages/1.fpage: referenced twice (again by /Documents/1/FixedDoc.fdoc)"},
    {"XPS_M5.15a.xps", nullptr},
    {"XPS_M5.2b.xps", nullptr},
    {"XPS_M5.4b.xps", nullptr},
    {"XPS_M6.2a.xps", nullptr},
    {"XPS_M7.5a.xps", nullptr},
};

const std::filesystem::path kFolder = std::filesystem::path(KESTREL_CORPUS_DIR) / "violations";

class CorpusViolationTest : public ::testing::TestWithParam<Violation> {};

TEST_P(CorpusViolationTest, IsRejectedWithItsMessageOrReadSafely) {
  const std::filesystem::path path = kFolder / GetParam().file;
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus not present: " << path;
  try {
    auto reader = PackageReader::Open(path);
    std::vector<char> buffer(1 << 16);
    reader->ForEachPart([&](const Part& part) {
      auto in = reader->OpenPart(part.name);
      while (in->Read(buffer.data(), buffer.size()) != 0) {
      }
    });
    // What is read again later (pages, relationships) reads as Open found it.
    for (const Document& document : reader->Model().sequence.documents) {
      std::uint64_t pages = 0;
      for (auto cursor = reader->Pages(document); cursor->Next();) ++pages;
      EXPECT_EQ(pages, document.page_count);
    }
    EXPECT_EQ(GetParam().rejection, nullptr) << "read, though expected to be rejected";
  } catch (const PackageError& error) {
    ASSERT_NE(GetParam().rejection, nullptr) << "rejected: " << error.what();
    EXPECT_NE(std::string(error.what()).find(GetParam().rejection), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusViolationTest, ::testing::ValuesIn(kViolations), [](const auto& info) {
  std::string name = info.param.file;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

// The table covers the whole folder, so a document added to it is not skipped silently.
TEST(CorpusViolationTable, ListsEveryDocumentOfTheFolder) {
  if (!std::filesystem::exists(kFolder)) GTEST_SKIP() << "corpus not present";
  std::set<std::string> listed;
  for (const Violation& v : kViolations) listed.insert(v.file);
  std::set<std::string> present;
  for (const auto& entry : std::filesystem::directory_iterator(kFolder)) present.insert(entry.path().filename());
  EXPECT_EQ(listed, present);
}

}  // namespace
}  // namespace kestrel::package
