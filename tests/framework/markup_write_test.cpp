// Writing markup bytes into a part stream in pieces.
#include "framework/markup_write.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_write_stream.h"

namespace {

using Calls = std::vector<ULONG>;

std::string Pattern(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>('a' + i % 23);
  return bytes;
}

TEST(WriteChunked, WritesInPiecesOf64KiB) {
  struct Case {
    std::size_t count;
    Calls calls;
  };
  const Case cases[] = {
      {0, {}}, {1, {1}}, {65536, {65536}}, {65537, {65536, 1}}, {150000, {65536, 65536, 18928}},
  };
  for (const Case& c : cases) {
    const auto stream = MakeComObject<RecordingWriteStream>();
    const std::string bytes = Pattern(c.count);
    std::size_t written = 99;
    EXPECT_EQ(WriteChunked(stream.Get(), bytes.data(), bytes.size(), &written), S_OK);
    EXPECT_EQ(stream->calls, c.calls) << c.count;
    EXPECT_EQ(stream->bytes, bytes);
    EXPECT_EQ(written, c.count);
  }
}

TEST(WriteChunked, StopsAtTheFirstFailure) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  stream->FailCall(1, STG_E_ACCESSDENIED);
  const std::string bytes = Pattern(150000);
  std::size_t written = 0;
  EXPECT_EQ(WriteChunked(stream.Get(), bytes.data(), bytes.size(), &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(stream->calls, (Calls{65536, 65536}));
  EXPECT_EQ(written, 65536u);
  EXPECT_EQ(stream->bytes, bytes.substr(0, 65536));
}

TEST(WriteChunked, GoesOnFromWhereAShortWriteStopped) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  stream->TakeAtMost(40000);
  const std::string bytes = Pattern(100000);
  std::size_t written = 0;
  EXPECT_EQ(WriteChunked(stream.Get(), bytes.data(), bytes.size(), &written), S_OK);
  EXPECT_EQ(stream->calls, (Calls{65536, 60000, 20000}));
  EXPECT_EQ(stream->bytes, bytes);
  EXPECT_EQ(written, bytes.size());

  const auto stuck = MakeComObject<RecordingWriteStream>();
  stuck->TakeAtMost(0);
  EXPECT_EQ(WriteChunked(stuck.Get(), bytes.data(), bytes.size(), &written), STG_E_MEDIUMFULL);
  EXPECT_EQ(stuck->calls, (Calls{65536}));
  EXPECT_EQ(written, 0u);
}

TEST(WriteChunked, RefusesNullArguments) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  EXPECT_EQ(WriteChunked(nullptr, "a", 1, nullptr), E_POINTER);
  EXPECT_EQ(WriteChunked(stream.Get(), nullptr, 1, nullptr), E_POINTER);
  EXPECT_EQ(WriteChunked(stream.Get(), nullptr, 0, nullptr), S_OK);
  EXPECT_TRUE(stream->calls.empty());
}

TEST(WriteText, WritesTheBufferAsUtf8) {
  const auto stream = MakeComObject<RecordingWriteStream>();
  MarkupBuffer text;
  EXPECT_EQ(WriteText(text, stream.Get()), E_FAIL);  // nothing to write
  text.Assign(u"<Glyphs UnicodeString=\"\u00E9\U0001F600\"/>");
  EXPECT_EQ(WriteText(text, nullptr), E_POINTER);
  EXPECT_EQ(WriteText(text, stream.Get()), S_OK);
  EXPECT_EQ(stream->bytes, "<Glyphs UnicodeString=\"\xC3\xA9\xF0\x9F\x98\x80\"/>");
  EXPECT_EQ(stream->calls.size(), 1u);
}

}  // namespace
