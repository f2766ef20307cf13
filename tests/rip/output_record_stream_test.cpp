// The converter's output records as the write callback receives them: cut
// anywhere, several in one call, printer data to the output stream, file
// names to the list file.
#include "filters/rip/output_record_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "recording_write_stream.h"
#include "tests/host/host_test_support.h"
#include "platform/utf.h"

namespace {

namespace fs = std::filesystem;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::ScratchDir;

std::string Record(BYTE kind, const std::string& payload) {
  const auto n = static_cast<DWORD>(payload.size());
  std::string header = {static_cast<char>(kind), 'x', 'y', 'z', static_cast<char>(n & 0xFF),
                        static_cast<char>((n >> 8) & 0xFF), static_cast<char>((n >> 16) & 0xFF),
                        static_cast<char>(n >> 24)};
  return header + payload;
}

std::string NameRecord(const std::string& path) {
  const std::u16string wide = Utf8ToUtf16(path).value() + u'\0';
  return Record(kOutputFileName, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
}

struct Fixture {
  ComPtr<RecordingWriteStream> output = MakeComObject<RecordingWriteStream>();
  OutputListFile list;
  OutputRecordStream stream{output.Get(), list};

  // Delivers the bytes cut at the given offsets; returns the last result.
  HRESULT Deliver(const std::string& bytes, std::vector<std::size_t> cuts = {}) {
    cuts.push_back(bytes.size());
    std::size_t from = 0;
    HRESULT hr = S_OK;
    for (const std::size_t to : cuts) {
      hr = stream.Take(reinterpret_cast<const BYTE*>(bytes.data()) + from, to - from);
      from = to;
    }
    return hr;
  }
  ~Fixture() { list.Remove(true); }
};

TEST(OutputRecordStream, PrinterDataArrivesWholeWhereverTheCallsCut) {
  const std::string two = Record(0, "hello") + Record(0, "abc");
  struct Case {
    const char* label;
    std::string bytes;
    std::vector<std::size_t> cuts;
    std::string output;
    std::vector<ULONG> writes;
  };
  const Case cases[] = {
      {"two records in one call", two, {}, "helloabc", {5, 3}},
      {"a payload over two calls", Record(0, "0123456789"), {12}, "0123456789", {4, 6}},
      {"a header over two calls", two, {13, 16}, "helloabc", {5, 3}},
      {"every byte its own call", Record(0, "ab") + Record(0, "c"),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18},
       "abc", {1, 1, 1}},
      {"an empty record, then data", Record(0, "") + Record(0, "x"), {}, "x", {1}},
      {"another kind is skipped", Record(7, "skip") + Record(0, "kept"), {10}, "kept", {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Fixture f;
    EXPECT_EQ(f.Deliver(c.bytes, c.cuts), S_OK);
    EXPECT_EQ(f.output->bytes, c.output);
    EXPECT_EQ(f.output->calls, c.writes);
    EXPECT_TRUE(f.stream.AtRecordBoundary());
    EXPECT_FALSE(f.list.Exists());
  }
}

TEST(OutputRecordStream, ShortWritesGoOnAndAFailedWriteSticks) {
  Fixture f;
  f.output->TakeAtMost(2);
  EXPECT_EQ(f.Deliver(Record(0, "hello")), S_OK);
  EXPECT_EQ(f.output->bytes, "hello");

  Fixture failing;
  failing.output->FailCall(0, STG_E_MEDIUMFULL);
  EXPECT_EQ(failing.Deliver(Record(0, "lost") + Record(0, "later")), STG_E_MEDIUMFULL);
  // Nothing after the hole is written, and later calls keep reporting it.
  EXPECT_EQ(failing.Deliver(Record(0, "more")), STG_E_MEDIUMFULL);
  EXPECT_EQ(failing.output->bytes, "");
  EXPECT_EQ(failing.stream.failure(), "writing the printer data to the output failed");
}

TEST(OutputRecordStream, FileNamesGoToOneListBesideTheFiles) {
  ScratchDir dir;
  Fixture f;
  const std::string a = (dir / "a.prn").string(), b = (dir / "b.prn").string();
  const std::string bytes = NameRecord(a) + Record(0, "data") + NameRecord(b);
  // Cuts inside the first name's UTF-16 units and inside the last header.
  EXPECT_EQ(f.Deliver(bytes, {9, 20, 21, bytes.size() - NameRecord(b).size() + 3}), S_OK);
  EXPECT_EQ(f.output->bytes, "data");
  ASSERT_TRUE(f.list.Exists());
  const fs::path list = Utf16ToUtf8(f.list.path()).value();
  EXPECT_EQ(list.parent_path(), dir.Path());
  EXPECT_TRUE(list.filename().string().starts_with("kv"));
  EXPECT_EQ(ReadFile(list), "[FileList]\n1=" + a + "\n2=" + b + "\n");
  struct stat info {};
  ASSERT_EQ(stat(list.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(OutputRecordStream, ANameWithoutAFolderListsInTheTemporaryFolder) {
  ScratchDir dir;
  setenv("TMPDIR", dir.Path().c_str(), 1);
  Fixture f;
  EXPECT_EQ(f.Deliver(NameRecord("page1.spl")), S_OK);
  unsetenv("TMPDIR");
  ASSERT_TRUE(f.list.Exists());
  EXPECT_EQ(fs::path(Utf16ToUtf8(f.list.path()).value()).parent_path(), dir.Path());
}

TEST(OutputRecordStream, BadNamesFailTheStream) {
  struct Case {
    const char* label;
    std::string bytes;
    std::string failure;
  };
  const Case cases[] = {
      {"too long", NameRecord("/tmp/" + std::string(300, 'n')),
       "the converter reported a file name longer than 259 characters"},
      {"empty", NameRecord(""), "the converter reported an empty file name"},
      {"in a folder that does not exist", NameRecord("/nonexistent-kestrel/x.prn"),
       "the list of the converter's files cannot be written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Fixture f;
    EXPECT_TRUE(FAILED(f.Deliver(c.bytes + Record(0, "after"))));
    EXPECT_EQ(f.stream.failure(), c.failure);
    EXPECT_EQ(f.output->bytes, "");
    EXPECT_FALSE(f.list.Exists());
  }
}

TEST(OutputRecordStream, RemovingTheListRemovesTheFilesItNames) {
  ScratchDir dir;
  Fixture f;
  std::ofstream(dir / "a.prn") << "a";
  EXPECT_EQ(f.Deliver(NameRecord((dir / "a.prn").string())), S_OK);
  const fs::path list = Utf16ToUtf8(f.list.path()).value();
  f.list.Remove(true);
  EXPECT_FALSE(fs::exists(list));
  EXPECT_FALSE(fs::exists(dir / "a.prn"));
}

TEST(OutputRecordStream, AStoppedStreamWritesNothing) {
  Fixture f;
  f.stream.Stop(HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED), "the job was stopped");
  EXPECT_EQ(f.Deliver(Record(0, "late")), HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(f.output->bytes, "");
}

}  // namespace
