#include "platform/part_content.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace {

ComPtr<IPrintWriteStream> Writer(PartContent& content) {
  ComPtr<IPrintWriteStream> writer;
  EXPECT_EQ(content.OpenWriter(writer.Put()), S_OK);
  return writer;
}

ComPtr<IPrintReadStream> Reader(PartContent& content) {
  ComPtr<IPrintReadStream> reader;
  EXPECT_EQ(content.OpenReader(reader.Put()), S_OK);
  return reader;
}

void Write(IPrintWriteStream* writer, std::string_view text) {
  ULONG written = 0;
  ASSERT_EQ(writer->WriteBytes(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
  ASSERT_EQ(written, text.size());
}

struct ReadResult {
  HRESULT hr;
  std::string bytes;
  BOOL end_of_file;
};

ReadResult ReadOnce(IPrintReadStream* reader, ULONG cb) {
  std::string buffer(cb, '\0');
  ULONG read = 0;
  BOOL eof = FALSE;
  const HRESULT hr = reader->ReadBytes(buffer.data(), cb, &read, &eof);
  buffer.resize(read);
  return {hr, buffer, eof};
}

std::string ReadToEnd(IPrintReadStream* reader, ULONG piece) {
  std::string all;
  for (;;) {
    const ReadResult r = ReadOnce(reader, piece);
    EXPECT_EQ(r.hr, S_OK);
    if (FAILED(r.hr)) return all;
    all += r.bytes;
    if (r.end_of_file) return all;
  }
}

// Long enough that an operation which should block is seen not to finish,
// without making the tests slow.
constexpr auto kBlockedFor = std::chrono::milliseconds(50);

TEST(PartContent, ReaderSeesBytesBeforeCloseAndEndOnlyAfterIt) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IPrintReadStream> reader = Reader(*content);

  Write(writer.Get(), "abc");
  ReadResult r = ReadOnce(reader.Get(), 100);
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.bytes, "abc");
  EXPECT_FALSE(r.end_of_file);

  // With nothing new the read waits for the writer.
  auto pending = std::async(std::launch::async, [&] { return ReadOnce(reader.Get(), 100); });
  EXPECT_EQ(pending.wait_for(kBlockedFor), std::future_status::timeout);
  Write(writer.Get(), "de");
  r = pending.get();
  EXPECT_EQ(r.bytes, "de");
  EXPECT_FALSE(r.end_of_file);

  pending = std::async(std::launch::async, [&] { return ReadOnce(reader.Get(), 100); });
  EXPECT_EQ(pending.wait_for(kBlockedFor), std::future_status::timeout);
  writer->Close();
  r = pending.get();
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.bytes, "");
  EXPECT_TRUE(r.end_of_file);
}

TEST(PartContent, LastBytesAfterCloseCarryEndOfFile) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  Write(writer.Get(), "xyz");
  writer->Close();
  ComPtr<IPrintReadStream> reader = Reader(*content);
  ReadResult r = ReadOnce(reader.Get(), 2);
  EXPECT_EQ(r.bytes, "xy");
  EXPECT_FALSE(r.end_of_file);
  r = ReadOnce(reader.Get(), 2);
  EXPECT_EQ(r.bytes, "z");
  EXPECT_TRUE(r.end_of_file);
}

TEST(PartContent, ManyReadersFollowOneWriterAcrossThreads) {
  // Several megabytes in uneven pieces, so reads and writes cross chunk edges.
  std::string expected;
  for (int i = 0; expected.size() < 3'000'000; ++i) expected += std::to_string(i) + ',';

  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  std::vector<std::future<std::string>> readers;
  for (const ULONG piece : {1u, 4093u, 65536u, 1u << 21}) {
    ComPtr<IPrintReadStream> reader = Reader(*content);
    readers.push_back(std::async(std::launch::async, [reader, piece] { return ReadToEnd(reader.Get(), piece); }));
  }
  std::thread producer([&] {
    std::size_t at = 0;
    for (std::size_t piece = 1; at < expected.size(); piece = piece * 3 % 70001 + 1) {
      const std::size_t n = std::min(piece, expected.size() - at);
      Write(writer.Get(), std::string_view(expected).substr(at, n));
      at += n;
    }
    writer->Close();
  });
  producer.join();
  for (auto& reader : readers) EXPECT_EQ(reader.get(), expected);
  EXPECT_EQ(content->Size(), expected.size());
}

TEST(PartContent, ReleasedWriterOrUnwrittenContentEndsTheReaders) {
  {
    auto content = CreatePartContent();
    ComPtr<IPrintReadStream> reader = Reader(*content);
    auto pending = std::async(std::launch::async, [&] { return ReadToEnd(reader.Get(), 16); });
    {
      ComPtr<IPrintWriteStream> writer = Writer(*content);
      Write(writer.Get(), "partial");
    }  // dropped without Close
    EXPECT_EQ(pending.get(), "partial");
    EXPECT_TRUE(content->IsComplete());
  }
  {
    ComPtr<IPrintReadStream> reader;
    {
      auto content = CreatePartContent();
      reader = Reader(*content);
    }  // nobody can write any more
    const ReadResult r = ReadOnce(reader.Get(), 16);
    EXPECT_EQ(r.bytes, "");
    EXPECT_TRUE(r.end_of_file);
  }
}

TEST(PartContent, AbortWakesBlockedReadersWithTheReason) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IPrintReadStream> reader = Reader(*content);
  Write(writer.Get(), "ab");
  EXPECT_EQ(ReadOnce(reader.Get(), 2).bytes, "ab");
  auto pending = std::async(std::launch::async, [&] { return ReadOnce(reader.Get(), 2); });
  EXPECT_EQ(pending.wait_for(kBlockedFor), std::future_status::timeout);
  content->Abort(E_ABORT);
  EXPECT_EQ(pending.get().hr, E_ABORT);
  ULONG written = 0;
  EXPECT_EQ(writer->WriteBytes("c", 1, &written), E_ABORT);
  ULONGLONG position = 0;
  EXPECT_EQ(reader->Seek(0, STREAM_SEEK_END, &position), E_ABORT);
  // Closing after an abort changes nothing.
  writer->Close();
  EXPECT_EQ(ReadOnce(reader.Get(), 2).hr, E_ABORT);
}

TEST(PartContent, WriterRules) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IPrintWriteStream> second;
  EXPECT_EQ(content->OpenWriter(second.Put()), E_ACCESSDENIED);
  EXPECT_FALSE(second);
  ULONG written = 7;
  EXPECT_EQ(writer->WriteBytes(nullptr, 1, &written), E_POINTER);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(writer->WriteBytes(nullptr, 0, &written), S_OK);
  writer->Close();
  writer->Close();
  EXPECT_EQ(writer->WriteBytes("a", 1, &written), E_UNEXPECTED);
  EXPECT_EQ(written, 0u);

  ComPtr<IPrintWriteStream> late;
  EXPECT_EQ(CreateCompletePartContent({1, 2})->OpenWriter(late.Put()), E_ACCESSDENIED);
}

TEST(PartContent, SeekFromTheEndWaitsForClose) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IPrintReadStream> reader = Reader(*content);
  Write(writer.Get(), "0123");
  auto pending = std::async(std::launch::async, [&] {
    ULONGLONG position = 0;
    const HRESULT hr = reader->Seek(-2, STREAM_SEEK_END, &position);
    return std::pair(hr, position);
  });
  EXPECT_EQ(pending.wait_for(kBlockedFor), std::future_status::timeout);
  Write(writer.Get(), "4567");
  writer->Close();
  EXPECT_EQ(pending.get(), std::pair(S_OK, ULONGLONG{6}));
  EXPECT_EQ(ReadToEnd(reader.Get(), 8), "67");
}

TEST(PartContent, SeekPositions) {
  struct Case {
    LONGLONG move;
    DWORD origin;
    HRESULT hr;
    ULONGLONG position;  // after the seek, starting from position 3
  };
  const Case cases[] = {
      {0, STREAM_SEEK_SET, S_OK, 0},
      {2, STREAM_SEEK_CUR, S_OK, 5},
      {-3, STREAM_SEEK_CUR, S_OK, 0},
      {-4, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 3},
      {-1, STREAM_SEEK_SET, STG_E_INVALIDFUNCTION, 3},
      {-1, STREAM_SEEK_END, S_OK, 5},
      {10, STREAM_SEEK_END, S_OK, 16},
      {std::numeric_limits<LONGLONG>::max(), STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 3},
      {0, 7, STG_E_INVALIDFUNCTION, 3},
  };
  for (const Case& c : cases) {
    ComPtr<IPrintReadStream> reader;
    ASSERT_EQ(CreateReadStreamOnBytes({'a', 'b', 'c', 'd', 'e', 'f'}, reader.Put()), S_OK);
    ASSERT_EQ(reader->Seek(3, STREAM_SEEK_SET, nullptr), S_OK);
    ULONGLONG position = 99;
    EXPECT_EQ(reader->Seek(c.move, c.origin, &position), c.hr) << c.move << " from " << c.origin;
    ULONGLONG now = 0;
    ASSERT_EQ(reader->Seek(0, STREAM_SEEK_CUR, &now), S_OK);
    EXPECT_EQ(now, c.position) << c.move << " from " << c.origin;
  }
  // Past the end of a complete content a read is empty and at the end.
  ComPtr<IPrintReadStream> reader;
  ASSERT_EQ(CreateReadStreamOnBytes({'a'}, reader.Put()), S_OK);
  ASSERT_EQ(reader->Seek(5, STREAM_SEEK_SET, nullptr), S_OK);
  const ReadResult r = ReadOnce(reader.Get(), 4);
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.bytes, "");
  EXPECT_TRUE(r.end_of_file);
}

TEST(PartContent, ReadArguments) {
  ComPtr<IPrintReadStream> reader;
  ASSERT_EQ(CreateReadStreamOnBytes({'a'}, reader.Put()), S_OK);
  char byte = 0;
  BOOL eof = FALSE;
  ULONG read = 0;
  EXPECT_EQ(reader->ReadBytes(nullptr, 1, &read, &eof), E_POINTER);
  EXPECT_EQ(reader->ReadBytes(&byte, 1, nullptr, &eof), E_POINTER);
  // A zero-byte read never waits.
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IPrintReadStream> open_reader = Reader(*content);
  EXPECT_EQ(open_reader->ReadBytes(&byte, 0, &read, &eof), S_OK);
  EXPECT_EQ(read, 0u);
  EXPECT_FALSE(eof);
}

TEST(PartContent, StreamViewReadsTheSameBytes) {
  auto content = CreatePartContent();
  ComPtr<IPrintWriteStream> writer = Writer(*content);
  ComPtr<IStream> view;
  ASSERT_EQ(content->OpenStream(view.Put()), S_OK);
  Write(writer.Get(), "hello");

  STATSTG stat{};
  ASSERT_EQ(view->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 5u);  // what is there so far, without waiting
  EXPECT_EQ(stat.type, STGTY_STREAM);

  char buffer[8] = {};
  ULONG read = 0;
  ASSERT_EQ(view->Read(buffer, 3, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "hel");
  ComPtr<IStream> clone;
  ASSERT_EQ(view->Clone(clone.Put()), S_OK);

  ULONG written = 9;
  EXPECT_EQ(view->Write("x", 1, &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(view->SetSize(ULARGE_INTEGER{}), STG_E_ACCESSDENIED);

  Write(writer.Get(), " world");
  writer->Close();
  ComPtr<IStream> copy;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, copy.Put()), S_OK);
  ULARGE_INTEGER all;
  all.QuadPart = ~0ull;
  ULARGE_INTEGER copied_in{}, copied_out{};
  ASSERT_EQ(clone->CopyTo(copy.Get(), all, &copied_in, &copied_out), S_OK);
  EXPECT_EQ(copied_in.QuadPart, 8u);  // from the clone's position 3
  EXPECT_EQ(copied_out.QuadPart, 8u);

  ASSERT_EQ(view->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "lo world");
  ASSERT_EQ(view->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 0u);
}

}  // namespace
