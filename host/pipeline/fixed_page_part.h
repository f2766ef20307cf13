// A fixed page: its markup, print ticket and resource parts.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/pipeline/document_parts.h"
#include "host/pipeline/written_content.h"

namespace kestrel::host {

// A page's resources in the order they were attached, by part name.
using PageResources = std::vector<std::pair<std::u16string, ComPtr<IUnknown>>>;

class FixedPagePart final : public TicketedPart<IFixedPage> {
 public:
  // origin: where the page stood in the input package (null for a new page).
  FixedPagePart(std::u16string uri, std::shared_ptr<ContentSource> content, ComPtr<IPartPrintTicket> ticket,
                PageResources resources, std::shared_ptr<WrittenContentRegistry> written,
                std::shared_ptr<const PageOrigin> origin = nullptr)
      : TicketedPart(std::move(uri), std::move(content), std::move(ticket), origin != nullptr),
        resources_(std::move(resources)),
        written_(std::move(written)),
        origin_(std::move(origin)) {}

  HRESULT GetPagePart(LPCWSTR uri, IUnknown** part) override;
  // Replaces a resource of the same name.
  HRESULT SetPagePart(IUnknown* part) override;
  HRESULT DeleteResource(LPCWSTR uri) override;
  HRESULT GetXpsPartIterator(IXpsPartIterator** iterator) override;
  HRESULT GetWriteStream(IPrintWriteStream** stream) override;
  std::shared_ptr<const PageOrigin> Origin() override { return origin_; }
  using PartObject::Attach;

 private:
  PageResources::iterator FindResource(std::u16string_view uri);

  PageResources resources_;
  std::shared_ptr<WrittenContentRegistry> written_;
  const std::shared_ptr<const PageOrigin> origin_;
};

}  // namespace kestrel::host
