#include "host/pipeline/job_source.h"

#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/pipeline/document_parts.h"
#include "host/pipeline/fixed_page_part.h"
#include "host/pipeline/host_error.h"
#include "host/pipeline/packaged_content.h"
#include "host/pipeline/resource_parts.h"
#include "platform/utf.h"

namespace kestrel::host {
namespace {

using package::PartKind;

std::u16string Wide(const std::string& name) {
  std::optional<std::u16string> wide = Utf8ToUtf16(name);
  if (!wide) throw HostError(name + ": part name is not UTF-8", E_INVALIDARG);
  return *wide;
}

bool IsSignaturePart(PartKind kind) { return kind == PartKind::Signature || kind == PartKind::Certificate; }

template <typename T>
ComPtr<T> As(const ComPtr<IUnknown>& part) {
  ComPtr<T> typed;
  if (part) part.As(typed);
  return typed;
}

}  // namespace

JobSource::JobSource(std::shared_ptr<const package::PackageReader> input,
                     std::shared_ptr<WrittenContentRegistry> written, std::shared_ptr<JobReport> report,
                     JobPartMaker& names)
    : input_(std::move(input)), written_(std::move(written)), report_(std::move(report)), names_(names) {}

std::shared_ptr<ContentSource> JobSource::Content(const std::string& name) {
  return std::make_shared<PackagedContent>(input_, name, report_);
}

// A part of the package as the object of its kind.
ComPtr<IUnknown> JobSource::PackagePart(const std::string& name) {
  const std::optional<package::Part> part = input_->Find(name);
  if (!part) throw HostError(name + ": missing part", HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  std::u16string uri = Wide(part->name);
  const std::u16string type = Wide(part->content_type);
  std::shared_ptr<ContentSource> content = Content(part->name);
  switch (part->kind) {
    case PartKind::PrintTicket: return MakePart<PrintTicketPart>(std::move(uri), std::move(content), true);
    case PartKind::Font:
      // Filters see the plain font; the output stores it as the package did.
      return MakePart<FontPart>(std::move(uri), std::move(content),
                                part->obfuscated ? std::u16string(u"application/vnd.ms-opentype") : type,
                                part->obfuscated ? Font_Obfusticate : Font_Normal, true);
    case PartKind::Image: return MakePart<ImagePart>(std::move(uri), std::move(content), type, true);
    case PartKind::ColorProfile: return MakePart<ColorProfilePart>(std::move(uri), std::move(content), true);
    case PartKind::ResourceDictionary:
      return MakePart<ResourceDictionaryPart>(std::move(uri), std::move(content), true);
    case PartKind::Thumbnail: return MakePart<ThumbnailPart>(std::move(uri), std::move(content), type, true);
    default:
      return MakePart<CarriedPart>(std::move(uri), std::move(content), part->content_type,
                                   IsSignaturePart(part->kind), true);
  }
}

ComPtr<IPartPrintTicket> JobSource::Ticket(const std::optional<std::string>& name) {
  return name ? As<IPartPrintTicket>(PackagePart(*name)) : nullptr;
}

std::optional<std::string> JobSource::ReplaceSequenceTicket(JobTicket ticket) {
  const std::optional<std::string>& replaced = input_->Model().sequence.ticket;
  std::string name = replaced.value_or("/Metadata/Job_PT.xml");
  for (unsigned n = 2; !replaced && !names_.Reserve(name); ++n) name = "/Metadata/Job_PT_" + std::to_string(n) + ".xml";
  auto content = std::make_shared<WrittenSource>(CreateCompletePartContent(std::move(ticket.bytes)));
  job_ticket_ = As<IPartPrintTicket>(MakePart<PrintTicketPart>(Wide(name), std::move(content)));
  if (!job_ticket_) throw HostError("out of memory", E_OUTOFMEMORY);
  return replaced;
}

ComPtr<IUnknown> JobSource::XpsDocument() {
  ComPtr<IPartThumbnail> thumbnail;
  for (const package::Attachment& attachment : input_->Model().attachments)
    if (attachment.kind == PartKind::Thumbnail) thumbnail = As<IPartThumbnail>(PackagePart(attachment.name));
  ComPtr<IXpsDocument> document = MakeComObject<XpsDocumentPart, IXpsDocument>(std::move(thumbnail));
  return ComPtr<IUnknown>(document.Get());
}

ComPtr<IUnknown> JobSource::Sequence() {
  const package::Sequence& sequence = input_->Model().sequence;
  ComPtr<IUnknown> part =
      MakePart<FixedDocumentSequencePart>(Wide(sequence.name), Content(sequence.name), Ticket(sequence.ticket), true);
  if (job_ticket_) As<IFixedDocumentSequence>(part)->SetPrintTicket(job_ticket_.Get());
  return part;
}

ComPtr<IUnknown> JobSource::Document(const package::Document& document) {
  ComPtr<IUnknown> part =
      MakePart<FixedDocumentPart>(Wide(document.name), Content(document.name), Ticket(document.ticket), true);
  auto* object = static_cast<FixedDocumentPart*>(As<IFixedDocument>(part).Get());
  for (const package::Attachment& attachment : document.attachments) object->Attach(PackagePart(attachment.name));
  return part;
}

ComPtr<IUnknown> JobSource::Page(package::Page page, const std::string& document, std::uint64_t ordinal) {
  // Each page gets objects of its own for its resources: they are light, and
  // keeping shared ones for the whole job would hold one per resource of the
  // package. The output writes a resource once, by name.
  PageResources resources;
  for (const package::Resource& resource : page.resources)
    resources.emplace_back(Wide(resource.name), PackagePart(resource.name));
  auto origin = std::make_shared<const PageOrigin>(
      PageOrigin{document, ordinal, std::move(page.content_attributes), std::move(page.link_targets),
                 std::move(page.relationships)});
  ComPtr<IUnknown> part = MakePart<FixedPagePart>(Wide(page.name), Content(page.name), Ticket(page.ticket),
                                                  std::move(resources), written_, std::move(origin));
  auto* object = static_cast<FixedPagePart*>(As<IFixedPage>(part).Get());
  for (const package::Attachment& attachment : page.attachments) object->Attach(PackagePart(attachment.name));
  return part;
}

HRESULT JobSource::Run(PartChannel& channel) {
  HRESULT hr = S_OK;
  const auto send = [&](ComPtr<IUnknown> part) {
    if (SUCCEEDED(hr)) hr = part ? channel.Send(std::move(part)) : E_OUTOFMEMORY;
    return SUCCEEDED(hr);
  };
  try {
    const package::Package& model = input_->Model();
    if (send(XpsDocument()))
      for (const std::string& name : model.own_parts)
        if (!send(PackagePart(name))) break;
    send(Sequence());
    for (const package::Document& document : model.sequence.documents) {
      if (!send(Document(document))) break;
      // Pages are read from the package as they are sent, so a long job holds only those in flight.
      const std::unique_ptr<package::PageCursor> pages = input_->Pages(document);
      for (std::uint64_t ordinal = 0; std::optional<package::Page> page = pages->Next(); ++ordinal)
        if (!send(Page(std::move(*page), document.name, ordinal))) break;
    }
  } catch (const HostError& error) {
    report_->Problem(error.what());
    hr = error.Hr();
  } catch (const package::PackageError& error) {
    report_->Problem(error.what());
    hr = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  channel.CloseSender();
  return hr;
}

}  // namespace kestrel::host
