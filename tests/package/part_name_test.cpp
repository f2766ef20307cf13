#include <gtest/gtest.h>

#include "host/package/font_obfuscation.h"
#include "host/package/part_name.h"
#include "host/package/part_name_table.h"

namespace kestrel::package {
namespace {

TEST(PartNameTest, AcceptsAndRejectsAsPackagesRequire) {
  for (const char* valid : {"/a", "/Documents/1/Pages/1.fpage", "/a%20b.xml", "/caf%C3%A9.png", "/a@b:c!$&'()*+,;=.x"}) {
    EXPECT_EQ(PartNameProblem(valid), std::nullopt) << valid;
  }
  const std::pair<const char*, const char*> invalid[] = {
      {"", "part name must start with '/'"},
      {"a/b", "part name must start with '/'"},
      {"/", "part name must not end with '/'"},
      {"/a/", "part name must not end with '/'"},
      {"/a//b", "part name has empty segment"},
      {"/a./b", "part name has segment ends with a dot"},
      {"/a/..", "part name has segment ends with a dot"},
      {"/a%2Fb", "part name has percent-encoded slash"},
      {"/a%5cb", "part name has percent-encoded slash"},
      {"/%41", "part name has percent-encoded unreserved character"},
      {"/a%4", "part name has truncated percent-encoding"},
      {"/a%zz", "part name has malformed percent-encoding"},
      {"/a#b", "part name has character '#' not allowed"},
      {"/[0].piece", "part name has character '[' not allowed"},
  };
  for (const auto& [name, problem] : invalid) EXPECT_EQ(PartNameProblem(name), problem) << name;
}

TEST(PartNameTest, ComparesCaseInsensitivelyAfterPercentDecoding) {
  EXPECT_TRUE(SamePartName("/Documents/1.FPAGE", "/documents/1.fpage"));
  EXPECT_TRUE(SamePartName("/caf%C3%A9.png", "/caf%c3%a9.PNG"));
  EXPECT_TRUE(SamePartName("/caf%C3%A9.png", "/caf\xC3\xA9.png"));
  EXPECT_FALSE(SamePartName("/a.png", "/a.pn"));
  EXPECT_FALSE(SamePartName("/a%2", "/a"));
  EXPECT_EQ(PartNameHash("/caf%C3%A9.PNG"), PartNameHash("/caf\xC3\xA9.png"));
}

TEST(PartNameTableTest, FindsNamesAsPartNamesCompareAndKeepsTheFirstSpelling) {
  PartNameTable<int> table;
  // Enough names to grow the index many times, and names longer than a block of the store.
  const std::string long_name = "/" + std::string(70000, 'x');
  for (int i = 0; i < 20000; ++i) {
    auto [entry, added] = table.Insert("/Documents/1/Pages/" + std::to_string(i) + ".fpage");
    ASSERT_TRUE(added);
    table.At(entry) = i;
    if (i == 5000) table.Insert(long_name);
  }
  EXPECT_EQ(table.Size(), 20001u);
  const auto found = table.Find("/documents/1/PAGES/%31%32.FPAGE");
  ASSERT_TRUE(found);
  EXPECT_EQ(table.At(*found), 12);
  EXPECT_EQ(table.Name(*found), "/Documents/1/Pages/12.fpage");
  EXPECT_EQ(table.Insert("/DOCUMENTS/1/pages/12.fpage"), std::make_pair(*found, false));
  EXPECT_EQ(table.Name(*table.Find(long_name)), long_name);
  EXPECT_EQ(table.Name(*table.Find("/Documents/1/Pages/19999.fpage")), "/Documents/1/Pages/19999.fpage");
  EXPECT_FALSE(table.Find("/Documents/1/Pages/20000.fpage"));
  EXPECT_FALSE(PartNameTable<int>().Find("/a"));
}

TEST(PartNameTest, ResolvesReferencesAgainstTheReferringPart) {
  const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
      {"/Documents/1/Pages/1.fpage", "../../../Resources/a.ttf", "/Resources/a.ttf"},
      {"/Documents/1/FixedDocument.fdoc", "Pages/1.fpage", "/Documents/1/Pages/1.fpage"},
      {"/Documents/1/FixedDocument.fdoc", "/Pages/./1.fpage", "/Pages/1.fpage"},
      {"/", "FixedDocumentSequence.fdseq", "/FixedDocumentSequence.fdseq"},
      {"/a/b.xml", "../../../c.xml", "/c.xml"},
      {"/a/b.xml", "http://host/c.xml", std::nullopt},
      {"/a/b.xml", "//host/c.xml", std::nullopt},
      {"/a/b.xml", "c.xml#part", std::nullopt},
      {"/a/b.xml", "", std::nullopt},
      {"/a/b.xml", "c/", std::nullopt},
  };
  for (const auto& [base, reference, resolved] : cases) {
    EXPECT_EQ(ResolvePartReference(base, reference), resolved) << base << " + " << reference;
  }
  EXPECT_EQ(RelationshipsPartName("/"), "/_rels/.rels");
  EXPECT_EQ(RelationshipsPartName("/Documents/1/Pages/1.fpage"), "/Documents/1/Pages/_rels/1.fpage.rels");
}

TEST(FontObfuscationTest, KeyIsTheGuidBytesInReversedWrittenOrder) {
  auto key = FontObfuscationKey("/Resources/{00112233-4455-6677-8899-AABBCCDDEEFF}.odttf");
  ASSERT_TRUE(key);
  EXPECT_EQ(*key, (ObfuscationKey{0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22,
                                  0x11, 0x00}));
  EXPECT_EQ(FontObfuscationKey("/Resources/00112233-4455-6677-8899-aabbccddeeff.odttf"), key);
  for (const char* name : {"/font.odttf", "/0011223344556677-8899-AABBCCDDEEFF.odttf",
                           "/00112233-4455-6677-8899-AABBCCDDEEFG.odttf", "/{00112233-4455-6677-8899-AABBCCDDEEFF.odttf"}) {
    EXPECT_EQ(FontObfuscationKey(name), std::nullopt) << name;
  }
}

TEST(FontObfuscationTest, XorsTheFirst32BytesWhateverTheChunking) {
  const ObfuscationKey key = *FontObfuscationKey("/00112233-4455-6677-8899-AABBCCDDEEFF.odttf");
  std::vector<std::uint8_t> whole(40, 0);
  ApplyFontObfuscation(key, 0, whole);
  for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(whole[i], key[i % 16]) << i;
  for (std::size_t i = 32; i < 40; ++i) EXPECT_EQ(whole[i], 0) << i;
  std::vector<std::uint8_t> chunked(40, 0);
  for (std::size_t at = 0; at < chunked.size(); at += 7) {
    const std::size_t n = std::min<std::size_t>(7, chunked.size() - at);
    ApplyFontObfuscation(key, at, std::span(chunked).subspan(at, n));
  }
  EXPECT_EQ(chunked, whole);
}

}  // namespace
}  // namespace kestrel::package
