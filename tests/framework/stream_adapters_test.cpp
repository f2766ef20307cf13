// The two adapters through which ticket bytes move from pipeline streams into
// the XML DOM: what they read, what Stat reports, and what they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/print_read_stream_adapter.h"
#include "framework/sequential_read_adapter.h"
#include "platform/com.h"
#include "platform/part_content.h"

namespace {

const std::string kBytes = "0123456789abcdefghij";

ComPtr<IPrintReadStream> StreamOn(const std::string& text) {
  ComPtr<IPrintReadStream> stream;
  EXPECT_EQ(CreateReadStreamOnBytes(std::vector<BYTE>(text.begin(), text.end()), stream.Put()), S_OK);
  return stream;
}

ComPtr<IStream> Adapter(const std::string& text) {
  return ComPtr<IStream>::Attach(new PrintReadStreamAdapter(StreamOn(text).Get()));
}

std::string ReadRest(ISequentialStream* stream, ULONG chunk) {
  std::string text;
  std::vector<char> buffer(chunk);
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer.data(), chunk, &read)) && read > 0) text.append(buffer.data(), read);
  return text;
}

TEST(PrintReadStreamAdapter, ReadsAndSeeksThePipelineStream) {
  ComPtr<IStream> stream = Adapter(kBytes);
  char buffer[8];
  ULONG read = 99;
  EXPECT_EQ(stream->Read(buffer, 0, &read), S_OK);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(stream->Read(nullptr, 4, &read), E_POINTER);
  EXPECT_EQ(stream->Read(buffer, 4, nullptr), E_POINTER);
  EXPECT_EQ(ReadRest(stream.Get(), 3), kBytes);

  LARGE_INTEGER move{};
  move.QuadPart = 10;
  ULARGE_INTEGER position{};
  ASSERT_EQ(stream->Seek(move, STREAM_SEEK_SET, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 10u);
  EXPECT_EQ(ReadRest(stream.Get(), 64), kBytes.substr(10));
  move.QuadPart = -5;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_END, nullptr), S_OK);
  EXPECT_EQ(ReadRest(stream.Get(), 64), kBytes.substr(15));
}

TEST(PrintReadStreamAdapter, StatWithAndWithoutName) {
  ComPtr<IStream> stream = Adapter(kBytes);
  char buffer[4];
  ULONG read = 0;
  ASSERT_EQ(stream->Read(buffer, 4, &read), S_OK);

  STATSTG stat{};
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.pwcsName, nullptr);
  EXPECT_EQ(stat.cbSize.QuadPart, kBytes.size());
  EXPECT_EQ(stat.type, STGTY_STREAM);
  EXPECT_EQ(stat.grfMode, STGM_SHARE_DENY_WRITE);
  EXPECT_EQ(stat.grfLocksSupported, LOCK_WRITE);
  EXPECT_EQ(stat.grfStateBits, 0u);
  EXPECT_EQ(stat.clsid, CLSID{});
  EXPECT_NE(stat.ctime.dwHighDateTime, 0u);

  ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  ASSERT_NE(stat.pwcsName, nullptr);
  EXPECT_EQ(std::u16string_view(stat.pwcsName), u"PrintReadStream");
  CoTaskMemFree(stat.pwcsName);
  EXPECT_EQ(stream->Stat(nullptr, STATFLAG_NONAME), E_POINTER);

  // Measuring the size left the position where it was.
  EXPECT_EQ(ReadRest(stream.Get(), 64), kBytes.substr(4));
}

TEST(PrintReadStreamAdapter, RefusesEverythingButReading) {
  ComPtr<IStream> stream = Adapter(kBytes);
  ComPtr<ISequentialStream> sequential;  // what the XML DOM loads from
  EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, sequential.PutVoid()), S_OK);
  ULONG written = 0;
  ULARGE_INTEGER size{};
  ComPtr<IStream> clone;
  EXPECT_EQ(stream->Write("x", 1, &written), E_NOTIMPL);
  EXPECT_EQ(stream->SetSize(size), E_NOTIMPL);
  EXPECT_EQ(stream->CopyTo(nullptr, size, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
  EXPECT_EQ(stream->Revert(), E_NOTIMPL);
  EXPECT_EQ(stream->LockRegion(size, size, LOCK_WRITE), E_NOTIMPL);
  EXPECT_EQ(stream->UnlockRegion(size, size, LOCK_WRITE), E_NOTIMPL);
  EXPECT_EQ(stream->Clone(clone.Put()), E_NOTIMPL);
}

TEST(SequentialReadAdapter, ReadsToTheEndAndAnswersOnlyItsInterface) {
  ComPtr<ISequentialStream> stream =
      ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(StreamOn(kBytes).Get()));
  EXPECT_EQ(ReadRest(stream.Get(), 7), kBytes);
  ULONG written = 0;
  EXPECT_EQ(stream->Write("x", 1, &written), E_NOTIMPL);

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(stream->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
  ComPtr<ISequentialStream> sequential;
  EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, sequential.PutVoid()), S_OK);
  ComPtr<IStream> full;
  EXPECT_EQ(stream->QueryInterface(IID_IStream, full.PutVoid()), E_NOINTERFACE);
  EXPECT_EQ(stream->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
