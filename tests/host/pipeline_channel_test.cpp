#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "host/pipeline/part_channel.h"
#include "host/pipeline/pipeline_ends.h"
#include "host/pipeline/property_bag.h"

namespace {

using kestrel::host::kJobStopped;
using kestrel::host::PartChannel;
using namespace std::chrono_literals;

class Token final : public ComObject<IPartBase> {
 public:
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(u"/t");
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream**) override { return E_NOTIMPL; }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }
};

ComPtr<IUnknown> MakeToken() { return MakeComObject<Token, IUnknown>(); }

TEST(PartChannel, KeepsOrderAndEndsAfterTheSenderCloses) {
  PartChannel channel(4);
  const ComPtr<IUnknown> a = MakeToken(), b = MakeToken();
  ASSERT_EQ(channel.Send(a), S_OK);
  ASSERT_EQ(channel.Send(b), S_OK);
  EXPECT_TRUE(channel.CloseSender());
  EXPECT_FALSE(channel.CloseSender());
  EXPECT_EQ(channel.Send(a), E_UNEXPECTED);
  ComPtr<IUnknown> part;
  ASSERT_EQ(channel.Receive(part), S_OK);
  EXPECT_EQ(part, a);
  ASSERT_EQ(channel.Receive(part), S_OK);
  EXPECT_EQ(part, b);
  ASSERT_EQ(channel.Receive(part), S_OK);
  EXPECT_FALSE(part);  // the end
}

TEST(PartChannel, SenderWaitsWhileFullUntilTheReceiverTakes) {
  PartChannel channel(2);
  ASSERT_EQ(channel.Send(MakeToken()), S_OK);
  ASSERT_EQ(channel.Send(MakeToken()), S_OK);
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    EXPECT_EQ(channel.Send(MakeToken()), S_OK);
    sent = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(sent);  // bounded: the third part waits
  ComPtr<IUnknown> part;
  ASSERT_EQ(channel.Receive(part), S_OK);
  sender.join();
  EXPECT_TRUE(sent);
}

TEST(PartChannel, AbortWakesBlockedSendersAndReceiversForGood) {
  PartChannel full(1);
  ASSERT_EQ(full.Send(MakeToken()), S_OK);
  PartChannel empty(1);
  auto blocked_send = std::async(std::launch::async, [&] { return full.Send(MakeToken()); });
  auto blocked_receive = std::async(std::launch::async, [&] {
    ComPtr<IUnknown> part;
    return empty.Receive(part);
  });
  std::this_thread::sleep_for(30ms);
  full.Abort();
  empty.Abort();
  ASSERT_EQ(blocked_send.wait_for(5s), std::future_status::ready);
  ASSERT_EQ(blocked_receive.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(blocked_send.get(), kJobStopped);
  EXPECT_EQ(blocked_receive.get(), kJobStopped);
  ComPtr<IUnknown> part;
  EXPECT_EQ(full.Receive(part), kJobStopped);  // what was queued is dropped
  EXPECT_EQ(full.Send(MakeToken()), kJobStopped);
}

TEST(PipelineEnds, ProviderAndConsumerMeetThroughTheChannel) {
  auto channel = std::make_shared<PartChannel>(2);
  auto consumer = MakeComObject<kestrel::host::ConsumerEnd, IXpsDocumentConsumer>(channel, nullptr);
  auto provider = MakeComObject<kestrel::host::ProviderEnd, IXpsDocumentProvider>(channel);
  EXPECT_EQ(consumer->SendFixedPage(nullptr), E_POINTER);
  const ComPtr<IUnknown> token = MakeToken();
  ASSERT_EQ(consumer->SendXpsUnknown(token.Get()), S_OK);
  ASSERT_EQ(consumer->CloseSender(), S_OK);
  EXPECT_EQ(consumer->CloseSender(), E_UNEXPECTED);
  IUnknown* part = nullptr;
  ASSERT_EQ(provider->GetXpsPart(&part), S_OK);
  EXPECT_EQ(part, token.Get());
  part->Release();
  ASSERT_EQ(provider->GetXpsPart(&part), S_OK);
  EXPECT_EQ(part, nullptr);
}

TEST(PropertyBag, CopiesValuesInAndOutAndFailsForAbsentNames) {
  auto bag = MakeComObject<kestrel::host::PropertyBag>();
  Variant value;
  EXPECT_EQ(bag->GetProperty(u"PrinterName", value.Get()), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  Variant name;
  name->vt = VT_BSTR;
  name->bstrVal = SysAllocString(u"Kestrel");
  ASSERT_EQ(bag->AddProperty(u"PrinterName", name.Get()), S_OK);
  VariantClear(name.Get());  // the bag holds its own copy
  ASSERT_EQ(bag->GetProperty(u"PrinterName", value.Get()), S_OK);
  ASSERT_EQ(value->vt, VT_BSTR);
  EXPECT_EQ(std::u16string(value->bstrVal), u"Kestrel");
  EXPECT_EQ(bag->AddProperty(u"", value.Get()), E_INVALIDARG);
  EXPECT_EQ(bag->GetProperty(nullptr, value.Get()), E_POINTER);
  EXPECT_TRUE(bag->DeleteProperty(u"PrinterName"));
  EXPECT_FALSE(bag->DeleteProperty(u"PrinterName"));
}

}  // namespace
