// Font files as hostile input: collections, table directories, name and cmap
// tables whose counts, offsets and lengths lie.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "filters/preparation/font/font_file_tables.h"
#include "platform/sfnt.h"

namespace {

using Bytes = std::vector<BYTE>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = BYTE(v >> 8);
  b[at + 1] = BYTE(v);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v >> 16);
  Put16(b, at + 2, v & 0xFFFF);
}

struct Table {
  std::string tag;
  Bytes bytes;
};
using Face = std::vector<Table>;

// A collection of the faces, each directory followed by its tables (unpadded,
// so a table of odd length leaves the next one unaligned).
Bytes Collection(const std::vector<Face>& faces) {
  Bytes file;
  Put32(file, 0, SfntTag("ttcf"));
  Put32(file, 4, 0x00010000);
  Put32(file, 8, static_cast<std::uint32_t>(faces.size()));
  file.resize(12 + 4 * faces.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const std::size_t at = file.size();
    Put32(file, 12 + 4 * f, static_cast<std::uint32_t>(at));
    Put32(file, at, 0x00010000);
    Put16(file, at + 4, static_cast<std::uint32_t>(faces[f].size()));
    file.resize(at + 12 + 16 * faces[f].size());
    for (std::size_t t = 0; t < faces[f].size(); ++t) {
      const std::size_t record = at + 12 + 16 * t;
      Put32(file, record, SfntTag(faces[f][t].tag));
      Put32(file, record + 8, static_cast<std::uint32_t>(file.size()));
      Put32(file, record + 12, static_cast<std::uint32_t>(faces[f][t].bytes.size()));
      file.insert(file.end(), faces[f][t].bytes.begin(), faces[f][t].bytes.end());
    }
  }
  return file;
}

// A name table with one Windows Unicode full name.
Bytes NameTable(std::u16string_view fullName) {
  Bytes t;
  Put16(t, 2, 1);
  Put16(t, 4, 18);
  Put16(t, 6, 3);
  Put16(t, 8, 1);
  Put16(t, 10, 0x409);
  Put16(t, 12, 4);
  Put16(t, 14, static_cast<std::uint32_t>(2 * fullName.size()));
  Put16(t, 16, 0);
  for (std::size_t i = 0; i < fullName.size(); ++i) Put16(t, 18 + 2 * i, fullName[i]);
  return t;
}

Face NamedFace(std::u16string_view fullName) { return {{"name", NameTable(fullName)}, {"odd ", Bytes{1, 2, 3, 4, 5}}, {"glyf", Bytes(7, 0xAB)}}; }

TEST(CollectionFaceTest, TakesTheNamedFaceWithPaddedTables) {
  const Bytes collection = Collection({NamedFace(u"One"), NamedFace(u"Two")});
  const auto face = ExtractCollectionFace(collection, u"Two");
  ASSERT_TRUE(face);
  const auto tables = ReadSfntTables(*face);
  ASSERT_TRUE(tables);
  ASSERT_EQ(tables->size(), 3u);
  EXPECT_EQ((*tables)[0].offset, 12u + 16 * 3);
  for (const SfntTableRecord& t : *tables) EXPECT_EQ(t.offset % 4, 0u);
  EXPECT_EQ(face->size() % 4, 0u);
  const auto odd = FindSfntTable(*face, *tables, SfntTag("odd "));
  ASSERT_TRUE(odd);
  EXPECT_EQ(Bytes(odd->begin(), odd->end()), (Bytes{1, 2, 3, 4, 5}));
  EXPECT_EQ((*face)[(*tables)[1].offset + 5], 0) << "padding is zero";
  EXPECT_FALSE(ExtractCollectionFace(collection, u"Tw"));
  EXPECT_FALSE(ExtractCollectionFace(collection, u"Three"));
}

TEST(CollectionFaceTest, HostileCollectionsGiveNothing) {
  const Bytes good = Collection({NamedFace(u"One")});
  const std::size_t directory = 16;  // the only face's offset table
  struct Case {
    const char* name;
    Bytes file;
  };
  std::vector<Case> cases;
  auto edit = [&](const char* name, auto change) {
    Bytes b = good;
    change(b);
    cases.push_back({name, std::move(b)});
  };
  edit("a font count far beyond the file", [](Bytes& b) { Put32(b, 8, 0xFFFFFFFF); });
  edit("a face offset past the end", [](Bytes& b) { Put32(b, 12, 0x7FFFFFF0); });
  edit("a table count past the directory", [&](Bytes& b) { Put16(b, directory + 4, 0xFFFF); });
  edit("a table offset past the end", [&](Bytes& b) { Put32(b, directory + 12 + 8, 0xFFFFFFF0); });
  edit("a table length that wraps the offset", [&](Bytes& b) { Put32(b, directory + 12 + 12, 0xFFFFFFFF); });
  edit("a name record past the name table", [&](Bytes& b) {
    const std::size_t name = directory + 12 + 16 * 3;
    Put16(b, name + 16, 0xFFF0);
  });
  edit("a name count past the name table", [&](Bytes& b) { Put16(b, directory + 12 + 16 * 3 + 2, 0xFFFF); });
  edit("cut inside the header", [](Bytes& b) { b.resize(10); });
  // Many directory entries that each claim the whole file: more than the file could hold.
  {
    const std::size_t count = 200;
    Bytes big;
    Put32(big, 0, SfntTag("ttcf"));
    Put32(big, 8, 1);
    Put32(big, 12, 16);
    Put16(big, 16 + 4, count);
    big.resize(16 + 12 + 16 * count);
    const std::size_t nameAt = big.size();
    const Bytes name = NameTable(u"One");
    big.insert(big.end(), name.begin(), name.end());
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t record = 16 + 12 + 16 * i;
      Put32(big, record, i == 0 ? SfntTag("name") : SfntTag("big "));
      Put32(big, record + 8, i == 0 ? static_cast<std::uint32_t>(nameAt) : 0);
      Put32(big, record + 12, i == 0 ? static_cast<std::uint32_t>(name.size()) : static_cast<std::uint32_t>(big.size()));
    }
    cases.push_back({"tables that together claim far more than the file", std::move(big)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ExtractCollectionFace(c.file, u"One"));
  }
  EXPECT_TRUE(ExtractCollectionFace(good, u"One")) << "the unedited collection is fine";
}

// A single-face file of the given tables (offset table at 0).
Bytes SingleFace(const Face& face) {
  const Bytes collection = Collection({face});
  const std::size_t shift = 16;
  Bytes file(collection.begin() + static_cast<std::ptrdiff_t>(shift), collection.end());
  for (std::size_t t = 0; t < face.size(); ++t) {
    const std::size_t record = 12 + 16 * t + 8;
    const std::uint32_t offset = (std::uint32_t(file[record]) << 24) | (std::uint32_t(file[record + 1]) << 16) |
                                 (std::uint32_t(file[record + 2]) << 8) | file[record + 3];
    Put32(file, record, static_cast<std::uint32_t>(offset - shift));
  }
  return file;
}

Face MetricsFace(std::uint16_t unitsPerEm, std::size_t os2Length = 32) {
  Bytes os2(os2Length), head(54), post(32);
  if (os2Length >= 30) {
    Put16(os2, 26, 100);
    Put16(os2, 28, 500);
  }
  Put16(head, 18, unitsPerEm);
  Put16(post, 8, static_cast<std::uint16_t>(-200));
  Put16(post, 10, 50);
  return {{"OS/2", os2}, {"head", head}, {"post", post}};
}

TEST(LineMetricsTest, FromTheTablesOrTheDefaults) {
  const FontLineMetrics read = ReadLineMetrics(SingleFace(MetricsFace(1000)));
  EXPECT_FLOAT_EQ(read.strikeoutSize, 0.1f);
  EXPECT_FLOAT_EQ(read.strikeoutPosition, 0.5f);
  EXPECT_FLOAT_EQ(read.underlinePosition, -0.2f);
  EXPECT_FLOAT_EQ(read.underlineThickness, 0.05f);

  const FontLineMetrics defaults;
  for (const auto& [name, file] : std::vector<std::pair<const char*, Bytes>>{
           {"unitsPerEm 0", SingleFace(MetricsFace(0))},
           {"an OS/2 too short", SingleFace(MetricsFace(1000, 28))},
           {"no post", SingleFace({MetricsFace(1000)[0], MetricsFace(1000)[1]})},
           {"not a font", Bytes{1, 2, 3}}}) {
    SCOPED_TRACE(name);
    const FontLineMetrics m = ReadLineMetrics(file);
    EXPECT_EQ(m.strikeoutSize, defaults.strikeoutSize);
    EXPECT_EQ(m.underlinePosition, defaults.underlinePosition);
  }
}

// A cmap whose first encoding record points at a format-4 stub and the second
// at a format-12 subtable with the given groups.
Bytes Cmap(const std::vector<std::array<std::uint32_t, 3>>& groups, std::uint32_t declaredGroups) {
  Bytes t;
  Put16(t, 2, 2);
  Put16(t, 4, 3);
  Put16(t, 6, 1);
  Put32(t, 8, 20);
  Put16(t, 12, 3);
  Put16(t, 14, 10);
  Put32(t, 16, 28);
  Put16(t, 20, 4);  // format 4, length 8: never read for glyphs here
  Put16(t, 22, 8);
  Put16(t, 28, 12);
  Put32(t, 32, static_cast<std::uint32_t>(16 + 12 * groups.size()));
  Put32(t, 40, declaredGroups);
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (std::size_t k = 0; k < 3; ++k) Put32(t, 44 + 12 * g + 4 * k, groups[g][k]);
  return t;
}

TEST(GlyphLookupTest, Format12GroupsWithEveryLengthChecked) {
  const Bytes font = SingleFace({{"cmap", Cmap({{{0x10000, 0x100FF, 10}}, {{0x1F600, 0x1F600, 500}}}, 2)}});
  EXPECT_EQ(FindFormat12Glyph(font, 0x10005), 15u);
  EXPECT_EQ(FindFormat12Glyph(font, 0x1F600), 500u);
  EXPECT_FALSE(FindFormat12Glyph(font, 0x1F601));

  struct Case {
    const char* name;
    Bytes font;
  };
  Bytes recordsBeyond = Cmap({{{0x10000, 0x100FF, 10}}}, 1);
  Put16(recordsBeyond, 2, 0xFFFF);
  Bytes subtablePast = Cmap({{{0x10000, 0x100FF, 10}}}, 1);
  Put32(subtablePast, 16, 0xFFFFFF00);
  Bytes lengthPast = Cmap({{{0x10000, 0x100FF, 10}}}, 1);
  Put32(lengthPast, 32, 0xFFFFFFF0);
  const Case cases[] = {
      {"more groups than the subtable holds", SingleFace({{"cmap", Cmap({{{0x20000, 0x20000, 1}}}, 0x7FFFFFFF)}})},
      {"encoding records beyond the cmap", SingleFace({{"cmap", recordsBeyond}})},
      {"a subtable offset past the cmap", SingleFace({{"cmap", subtablePast}})},
      {"a subtable length past the cmap", SingleFace({{"cmap", lengthPast}})},
      {"no cmap", SingleFace({{"head", Bytes(54)}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(FindFormat12Glyph(c.font, 0x10005));
  }
}

}  // namespace
