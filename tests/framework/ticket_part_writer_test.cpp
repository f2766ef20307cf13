// New ticket parts: their names, their bytes, names the job already has, and
// failures that still close the part's stream.
#include "framework/ticket_part_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "framework/print_ticket_manager.h"
#include "framework/ticket_flow_support.h"

namespace {

using namespace ticket_flow;

ComPtr<IXMLDOMDocument2> TicketDocument(const std::string& text) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
  ComPtr<IXMLDOMDocument2> document;
  EXPECT_EQ(PrintTicketManager::LoadDocument(stream.Get(), &document), S_OK);
  return document;
}

// The bytes the document's own stream gives, as the part should receive them.
std::string Serialised(IXMLDOMDocument2* document) {
  ComPtr<IStream> stream;
  EXPECT_EQ(document->QueryInterface(IID_IStream, stream.PutVoid()), S_OK);
  std::string text;
  char buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) text.append(buffer, read);
  return text;
}

std::string Narrow(const std::u16string& text) { return *Utf16ToUtf8(text); }

class TicketPartWriter : public ::testing::Test {
 protected:
  HRESULT Write(const char16_t* tag = u"OD") {
    part_ = nullptr;
    return WriteTicketPart(consumer_.Get(), ticket_.Get(), tag, part_.Put());
  }
  ComPtr<IXMLDOMDocument2> ticket_ = TicketDocument(Ticket(Feature("PageOrientation", "Landscape")));
  ComPtr<RecordingConsumer> consumer_ = MakeComObject<RecordingConsumer>();
  ComPtr<IPartPrintTicket> part_;
};

TEST_F(TicketPartWriter, NameCarriesTagTickCountAndRandomNumber) {
  std::srand(7);
  const int expected_random = std::rand();
  std::srand(7);
  const DWORD before = GetTickCount();
  ASSERT_EQ(Write(), S_OK);
  const DWORD after = GetTickCount();
  ASSERT_TRUE(part_);
  ASSERT_EQ(consumer_->newParts().size(), 1u);
  const std::string name = Narrow(consumer_->newParts()[0].name);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(name, match, std::regex("/PT_OD_([0-9]+)_([0-9]+)\\.xml"))) << name;
  const unsigned long tick = std::stoul(match[1]);
  EXPECT_GE(tick, before);
  EXPECT_LE(tick, after);
  EXPECT_EQ(std::stoi(match[2]), expected_random);

  ASSERT_EQ(Write(u"SC_JOB"), S_OK);
  EXPECT_TRUE(Narrow(consumer_->newParts()[1].name).starts_with("/PT_SC_JOB_"))
      << Narrow(consumer_->newParts()[1].name);
}

TEST_F(TicketPartWriter, ThePartHoldsTheTicketAndIsClosed) {
  ASSERT_EQ(Write(), S_OK);
  const RecordingWriteStream& written = *consumer_->newParts()[0].stream;
  EXPECT_TRUE(written.closed);
  EXPECT_EQ(written.bytes, Serialised(ticket_.Get()));
  EXPECT_NE(written.bytes.find("psk:Landscape"), std::string::npos);
}

TEST_F(TicketPartWriter, LargeTicketsGoInPiecesAndShortWritesAreContinued) {
  std::string features;
  for (int i = 0; i < 3000; ++i) features += Feature("PageOrientation" + std::to_string(i), "Landscape");
  ticket_ = TicketDocument(Ticket(features));
  consumer_->TakeAtMost(10000);
  ASSERT_EQ(Write(), S_OK);
  const RecordingWriteStream& written = *consumer_->newParts()[0].stream;
  ASSERT_GT(written.bytes.size(), 150000u);
  EXPECT_EQ(written.bytes, Serialised(ticket_.Get()));
  for (ULONG piece : written.calls) EXPECT_LE(piece, 65536u);
}

TEST_F(TicketPartWriter, ANameInUseIsDrawnAgain) {
  consumer_->RefuseNewParts(2);
  ASSERT_EQ(Write(), S_OK);
  ASSERT_EQ(consumer_->requested().size(), 3u);
  EXPECT_NE(consumer_->requested()[0], consumer_->requested()[2]);
  EXPECT_EQ(consumer_->newParts()[0].name, consumer_->requested()[2]);

  consumer_->RefuseNewParts(1000);
  EXPECT_EQ(Write(), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(part_);
}

TEST_F(TicketPartWriter, FailuresAreReturnedAndTheStreamIsStillClosed) {
  consumer_->RefuseNewParts(1, E_OUTOFMEMORY);
  EXPECT_EQ(Write(), E_OUTOFMEMORY);
  EXPECT_EQ(consumer_->requested().size(), 1u);  // only a name in use is drawn again

  consumer_->FailNewPartWrite(0, E_ACCESSDENIED);
  EXPECT_EQ(Write(), E_ACCESSDENIED);
  EXPECT_FALSE(part_);
  ASSERT_EQ(consumer_->newParts().size(), 1u);
  EXPECT_TRUE(consumer_->newParts()[0].stream->closed);

  EXPECT_EQ(WriteTicketPart(consumer_.Get(), nullptr, u"OD", part_.Put()), E_POINTER);
  EXPECT_EQ(WriteTicketPart(consumer_.Get(), ticket_.Get(), u"OD", nullptr), E_POINTER);
  EXPECT_EQ(WriteTicketPart(nullptr, ticket_.Get(), u"OD", part_.Put()), E_PENDING);
}

}  // namespace
