// Reading a corpus document and writing every part back, as the host does
// for a chain that changes nothing, gives the same package: part names,
// content types, bytes (fonts stored obfuscated again, as they came) and
// relationships.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xps_package_reader.h"
#include "host/package/xps_package_writer.h"
#include "package/package_fixture.h"

namespace kestrel::package {
namespace {

std::string ReadPart(const PackageReader& reader, const std::string& name) {
  auto in = reader.OpenPart(name);
  std::string bytes;
  char buffer[65536];
  while (std::size_t got = in->Read(buffer, sizeof buffer)) bytes.append(buffer, got);
  return bytes;
}

using RelationshipKey = std::tuple<std::string, std::string, std::string, std::string, bool>;

// Every relationship of the package as (source, id, type, target, external).
std::set<RelationshipKey> RelationshipsOf(const PackageReader& reader) {
  std::set<RelationshipKey> all;
  for (const Relationship& r : reader.Relationships("/")) all.emplace("/", r.id, r.type, r.target, r.external);
  reader.ForEachPart([&](const Part& part) {
    for (const Relationship& r : reader.Relationships(part.name))
      all.emplace(part.name, r.id, r.type, r.target, r.external);
  });
  return all;
}

std::map<std::string, Part> PartsOf(const PackageReader& reader) {
  std::map<std::string, Part> parts;
  reader.ForEachPart([&](const Part& part) { parts.emplace(PartNameKey(part.name), part); });
  return parts;
}

void CopyPackage(const PackageReader& reader, const std::filesystem::path& output) {
  PackageWriter writer(output);
  reader.ForEachPart([&](const Part& part) {
    const std::string bytes = ReadPart(reader, part.name);
    auto sink = writer.BeginPart(part.name, part.content_type, {.obfuscate = part.obfuscated});
    sink->Write(bytes.data(), bytes.size());
    sink->Finish();
    for (const Relationship& r : reader.Relationships(part.name)) writer.AddRelationship(part.name, r);
  });
  for (const Relationship& r : reader.Relationships("/")) writer.AddRelationship("/", r);
  writer.Commit();
}

class RoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTripTest, GivesTheSamePackage) {
  const std::filesystem::path input = std::filesystem::path(KESTREL_CORPUS_DIR) / GetParam();
  if (!std::filesystem::exists(input)) GTEST_SKIP() << "corpus not present: " << input;
  testing::TemporaryFolder folder;
  const std::filesystem::path output = folder / "copy.xps";
  auto original = PackageReader::Open(input);
  CopyPackage(*original, output);
  auto copy = PackageReader::Open(output);

  const Package& a = original->Model();
  const Package& b = copy->Model();
  const std::map<std::string, Part> a_parts = PartsOf(*original);
  const std::map<std::string, Part> b_parts = PartsOf(*copy);
  ASSERT_EQ(a_parts.size(), b_parts.size());
  for (const auto& [key, part] : a_parts) {
    ASSERT_TRUE(b_parts.contains(key)) << part.name;
    const Part& copied = b_parts.at(key);
    EXPECT_EQ(copied.name, part.name);
    EXPECT_EQ(copied.content_type, part.content_type) << part.name;
    EXPECT_EQ(copied.obfuscated, part.obfuscated) << part.name;
    EXPECT_EQ(copied.kind, part.kind) << part.name;
    EXPECT_EQ(ReadPart(*copy, part.name), ReadPart(*original, part.name)) << part.name;
  }
  EXPECT_EQ(RelationshipsOf(*copy), RelationshipsOf(*original));
  EXPECT_EQ(b.sequence.documents.size(), a.sequence.documents.size());
  EXPECT_EQ(b.own_parts, a.own_parts);
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTripTest,
                         ::testing::Values("xps/mb01.xps", "xps/mb06.xps", "xps/mb08.xps", "oxps/mb01.oxps",
                                           "oxps/mb08.oxps", "violations/MarkupCompatibility_M1.1a.oxps"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace kestrel::package
