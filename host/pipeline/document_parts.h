// The parts that give a job its structure: the XPS document (the package as a
// whole), the fixed document sequence and the fixed documents.
#pragma once

#include "host/pipeline/part_object.h"

namespace kestrel::host {

class XpsDocumentPart final : public ComObject<IXpsDocument> {
 public:
  explicit XpsDocumentPart(ComPtr<IPartThumbnail> thumbnail) : thumbnail_(std::move(thumbnail)) {}
  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when the package has no thumbnail.
  HRESULT GetThumbnail(IPartThumbnail** thumbnail) override;
  // NULL removes the thumbnail.
  HRESULT SetThumbnail(IPartThumbnail* thumbnail) override;

 private:
  std::mutex mutex_;
  ComPtr<IPartThumbnail> thumbnail_;
};

// A part with a print ticket of its own: the sequence, a document or a page.
template <typename Interface>
class TicketedPart : public PartObject<Interface> {
 public:
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    if (!ticket) return E_POINTER;
    std::lock_guard lock(this->mutex_);
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return ticket_.CopyTo(ticket);
  }
  // NULL removes the ticket.
  HRESULT SetPrintTicket(IPartPrintTicket* ticket) override {
    std::lock_guard lock(this->mutex_);
    ticket_ = ComPtr<IPartPrintTicket>(ticket);
    this->MarkChanged();
    return S_OK;
  }

 protected:
  TicketedPart(std::u16string uri, std::shared_ptr<ContentSource> content, ComPtr<IPartPrintTicket> ticket,
               bool from_package)
      : PartObject<Interface>(std::move(uri), std::move(content), from_package), ticket_(std::move(ticket)) {}

 private:
  ComPtr<IPartPrintTicket> ticket_;
};

class FixedDocumentSequencePart final : public TicketedPart<IFixedDocumentSequence> {
 public:
  FixedDocumentSequencePart(std::u16string uri, std::shared_ptr<ContentSource> content,
                            ComPtr<IPartPrintTicket> ticket, bool from_package = false)
      : TicketedPart(std::move(uri), std::move(content), std::move(ticket), from_package) {}
};

class FixedDocumentPart final : public TicketedPart<IFixedDocument> {
 public:
  FixedDocumentPart(std::u16string uri, std::shared_ptr<ContentSource> content, ComPtr<IPartPrintTicket> ticket,
                    bool from_package = false)
      : TicketedPart(std::move(uri), std::move(content), std::move(ticket), from_package) {}
  using PartObject::Attach;
};

}  // namespace kestrel::host
