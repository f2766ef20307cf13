// The two ends of a part channel as the filters see them: the provider a
// filter reads from and the consumer it sends to.
#pragma once

#include <memory>

#include "host/pipeline/part_channel.h"
#include "platform/com_object.h"
#include "platform/xps_parts.h"

namespace kestrel::host {

// Makes the new parts a filter asks its consumer for (job-wide names).
class EmptyPartMaker {
 public:
  virtual ~EmptyPartMaker() = default;
  virtual HRESULT MakeEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) = 0;
};

class ProviderEnd final : public ComObject<IXpsDocumentProvider> {
 public:
  explicit ProviderEnd(std::shared_ptr<PartChannel> channel) : channel_(std::move(channel)) {}
  HRESULT GetXpsPart(IUnknown** part) override;

 private:
  std::shared_ptr<PartChannel> channel_;
};

class ConsumerEnd final : public ComObject<IXpsDocumentConsumer> {
 public:
  ConsumerEnd(std::shared_ptr<PartChannel> channel, std::shared_ptr<EmptyPartMaker> maker)
      : channel_(std::move(channel)), maker_(std::move(maker)) {}

  HRESULT SendXpsUnknown(IUnknown* part) override { return Send(part); }
  HRESULT SendXpsDocument(IXpsDocument* document) override { return Send(document); }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* sequence) override { return Send(sequence); }
  HRESULT SendFixedDocument(IFixedDocument* document) override { return Send(document); }
  HRESULT SendFixedPage(IFixedPage* page) override { return Send(page); }
  HRESULT CloseSender() override;
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override;

 private:
  HRESULT Send(IUnknown* part);

  std::shared_ptr<PartChannel> channel_;
  std::shared_ptr<EmptyPartMaker> maker_;
};

}  // namespace kestrel::host
