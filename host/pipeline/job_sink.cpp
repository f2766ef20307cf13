#include "host/pipeline/job_sink.h"

#include <map>

#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/relationships.h"
#include "host/pipeline/host_error.h"
#include "host/pipeline/part_names.h"
#include "host/pipeline/part_object.h"
#include "host/pipeline/resource_parts.h"
#include "platform/checked_int.h"
#include "platform/utf.h"
#include "platform/xml_escape.h"

namespace kestrel::host {
namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;
// A document's fresh markup keeps at most this much in memory, the rest in its spool file.
constexpr std::size_t kMarkupMemory = 64 * 1024;
constexpr std::string_view kObfuscatedFont = "application/vnd.ms-package.obfuscated-opentype";
constexpr std::string_view kColorProfile = "application/vnd.ms-color.iccprofile";
constexpr std::string_view kOctetStream = "application/octet-stream";

template <typename T>
ComPtr<T> Query(IUnknown* part) {
  ComPtr<T> typed;
  if (part) ComPtr<IUnknown>(part).As(typed);
  return typed;
}

std::string Narrow(std::u16string_view text, const char* what) {
  std::optional<std::string> narrow = Utf16ToUtf8(text);
  if (!narrow) throw HostError(std::string(what) + " is not valid UTF-16", E_INVALIDARG);
  return *narrow;
}

std::string NameOf(IUnknown* part, const char* what) {
  const std::optional<std::u16string> uri = PartUri(part);
  if (!uri) throw HostError(std::string("the chain sent a ") + what + " without a part name", E_INVALIDARG);
  std::string name = Narrow(*uri, "a part name");
  if (std::optional<std::string> problem = package::PartNameProblem(name))
    throw HostError(name + ": not a valid part name (" + *problem + ")", E_INVALIDARG);
  return name;
}

template <typename Getter>
std::string ContentTypeFrom(Getter get) {
  Bstr type;
  if (FAILED(get(type.Put())) || type.Empty()) return std::string(kOctetStream);
  return Narrow(type.View(), "a content type");
}

int CompressionLevel(IPartBase* part) {
  EXpsCompression compression = Compression_Normal;
  part->GetPartCompression(&compression);
  switch (compression) {
    case Compression_NotCompressed: return 0;
    case Compression_Fast: return 1;
    case Compression_Small: return 9;
    default: return -1;
  }
}

bool Untouched(IUnknown* part) {
  const ComPtr<IJobPart> job_part = Query<IJobPart>(part);
  return job_part && job_part->Untouched();
}

std::string Attributes(const std::vector<std::pair<std::string, std::string>>& attributes) {
  std::string text;
  for (const auto& [name, value] : attributes)
    if (name != "Source") text += " " + name + "=\"" + EscapedXml(value) + "\"";
  return text;
}

std::shared_ptr<const PageOrigin> OriginOf(IUnknown* part) {
  const ComPtr<IJobPart> job_part = Query<IJobPart>(part);
  return job_part ? job_part->Origin() : nullptr;
}

std::filesystem::path FolderOf(const std::filesystem::path& output) {
  return output.parent_path().empty() ? std::filesystem::path(".") : output.parent_path();
}

}  // namespace

JobSink::DocumentInProgress::DocumentInProgress(std::string document, const package::Document* model,
                                                const std::filesystem::path& folder)
    : name(std::move(document)), original(model), markup(folder, kMarkupMemory, name) {}

JobSink::JobSink(std::shared_ptr<const package::PackageReader> input, const std::filesystem::path& output,
                 std::shared_ptr<JobReport> report, ProgressCallback progress)
    : input_(std::move(input)),
      vocabulary_(package::VocabularyOf(input_->Model().flavour)),
      report_(std::move(report)),
      progress_(std::move(progress)),
      folder_(FolderOf(output)),
      writer_(output),
      buffer_(kCopyChunk) {}

HRESULT JobSink::Run(PartChannel& channel) {
  try {
    for (;;) {
      ComPtr<IUnknown> part;
      if (const HRESULT hr = channel.Receive(part); FAILED(hr)) return hr;
      if (!part) break;
      Take(part);
    }
    Finish();
    return S_OK;
  } catch (const package::PackageError& error) {
    report_->Problem(error.what());
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  } catch (const HostError& error) {
    report_->Problem(error.what());
    return error.Hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void JobSink::Commit() { writer_.Commit(); }

void JobSink::Take(const ComPtr<IUnknown>& part) {
  if (ComPtr<IXpsDocument> document = Query<IXpsDocument>(part.Get())) return TakeXpsDocument(document.Get());
  if (ComPtr<IFixedDocumentSequence> sequence = Query<IFixedDocumentSequence>(part.Get()))
    return TakeSequence(sequence.Get());
  if (ComPtr<IFixedDocument> document = Query<IFixedDocument>(part.Get())) return TakeDocument(document.Get());
  if (ComPtr<IFixedPage> page = Query<IFixedPage>(part.Get())) return TakePage(page.Get());
  TakeCarried(part.Get());
}

void JobSink::TakeXpsDocument(IXpsDocument* document) {
  ComPtr<IPartThumbnail> thumbnail;
  if (FAILED(document->GetThumbnail(thumbnail.Put())) || !thumbnail) return;
  const std::string name = NameOf(thumbnail.Get(), "thumbnail");
  WritePart(thumbnail.Get(), name);
  thumbnail_ = name;
}

void JobSink::TakeSequence(IFixedDocumentSequence* sequence) {
  const std::string name = NameOf(sequence, "fixed document sequence");
  if (sequence_) throw HostError(name + ": a second fixed document sequence (the job has " + *sequence_ + ")");
  sequence_ = name;
  std::vector<package::Relationship> made;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT found = sequence->GetPrintTicket(ticket.Put());
  WriteTicket(found, ticket.Get(), made);
  WriteAttachments(sequence);
  Relate(name, Untouched(sequence), std::move(made));
}

void JobSink::TakeDocument(IFixedDocument* document) {
  const std::string name = NameOf(document, "fixed document");
  if (!sequence_) throw HostError(name + ": fixed document sent before the fixed document sequence");
  FinishDocument();
  const package::Document* original = nullptr;
  for (const package::Document& candidate : input_->Model().sequence.documents)
    if (package::SamePartName(candidate.name, name)) original = &candidate;
  document_.emplace(name, original, folder_);
  documents_.push_back(name);
  std::vector<package::Relationship> made;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT found = document->GetPrintTicket(ticket.Put());
  WriteTicket(found, ticket.Get(), made);
  WriteAttachments(document);
  if (related_documents_.insert(package::PartNameKey(name)).second) Relate(name, Untouched(document), std::move(made));
  ++count_.documents;
  if (progress_) progress_(count_);
}

void JobSink::TakePage(IFixedPage* page) {
  const std::string name = NameOf(page, "fixed page");
  if (!document_) throw HostError(name + ": fixed page sent before any fixed document");
  ++count_.pages;
  if (!WritePart(page, name)) {
    ListPage(page, name);
    if (progress_) progress_(count_);
    return;  // the same page again: written once, listed twice
  }
  std::vector<package::Relationship> made;
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT found = page->GetPrintTicket(ticket.Put());
  WriteTicket(found, ticket.Get(), made);
  ComPtr<IXpsPartIterator> resources;
  if (const HRESULT hr = page->GetXpsPartIterator(resources.Put()); FAILED(hr))
    throw HostError(name + ": the page's resources cannot be listed (" + HresultName(hr) + ")", hr);
  for (; !resources->IsDone(); resources->Next()) {
    Bstr uri;
    ComPtr<IUnknown> resource;
    if (const HRESULT hr = resources->Current(uri.Put(), resource.Put()); FAILED(hr))
      throw HostError(name + ": a resource of the page cannot be read (" + HresultName(hr) + ")", hr);
    const std::string resource_name = NameOf(resource.Get(), "page resource");
    if (WritePart(resource.Get(), resource_name)) Relate(resource_name, Untouched(resource.Get()), {});
    made.push_back({"", std::string(vocabulary_.required_resource), resource_name, false});
  }
  WriteAttachments(page);
  const std::shared_ptr<const PageOrigin> origin = OriginOf(page);
  Relate(name, Untouched(page), std::move(made), origin ? &origin->relationships : nullptr);
  ListPage(page, name);
  if (progress_) progress_(count_);
}

// Notes the page in the document's list: whether the list is still the
// original's, and its PageContent should the markup be made afresh. Width
// and Height describe the page as it was, so they stay only while it is.
void JobSink::ListPage(IFixedPage* page, const std::string& name) {
  DocumentInProgress& document = *document_;
  const std::shared_ptr<const PageOrigin> origin = OriginOf(page);
  const bool from_this_document =
      document.original && origin && package::SamePartName(origin->document, document.original->name);
  document.in_order = document.in_order && from_this_document && origin->ordinal == document.pages;
  ++document.pages;
  std::string markup = "<PageContent Source=\"" + EscapedXml(name) + "\"";
  if (from_this_document && WrittenUntouched(name)) markup += Attributes(origin->content_attributes);
  if (!from_this_document || origin->link_targets.empty()) {
    markup += "/>";
  } else {
    markup += "><PageContent.LinkTargets>";
    for (const std::string& target : origin->link_targets)
      markup += "<LinkTarget Name=\"" + EscapedXml(target) + "\"/>";
    markup += "</PageContent.LinkTargets></PageContent>";
  }
  document.markup.Append(markup.data(), markup.size());
}

void JobSink::TakeCarried(IUnknown* part) {
  const std::string name = NameOf(part, "part");
  const ComPtr<ICarriedPart> carried = Query<ICarriedPart>(part);
  if (carried && carried->IsSignature()) {
    // Kept only if the parts it signs leave the chain unchanged: known at the end.
    signature_parts_.push_back(ComPtr<IUnknown>(part));
    return;
  }
  if (WritePart(part, name)) Relate(name, Untouched(part), {});
}

void JobSink::WriteTicket(HRESULT found, IPartPrintTicket* ticket, std::vector<package::Relationship>& made) {
  if (found == HRESULT_FROM_WIN32(ERROR_NOT_FOUND) || (SUCCEEDED(found) && !ticket)) return;
  if (FAILED(found)) throw HostError("a print ticket cannot be read (" + HresultName(found) + ")", found);
  const std::string name = NameOf(ticket, "print ticket");
  WritePart(ticket, name);
  made.push_back({"", std::string(vocabulary_.print_ticket), name, false});
}

void JobSink::WriteAttachments(IUnknown* part) {
  const ComPtr<IJobPart> job_part = Query<IJobPart>(part);
  if (!job_part) return;
  for (const ComPtr<IUnknown>& attachment : job_part->Attachments()) {
    const std::string name = NameOf(attachment.Get(), "attached part");
    if (WritePart(attachment.Get(), name)) Relate(name, Untouched(attachment.Get()), {});
  }
}

bool JobSink::Written(const std::string& name) const { return writer_.HasPart(name); }

bool JobSink::WrittenUntouched(const std::string& name) const { return Written(name) && !touched_.Find(name); }

std::string JobSink::ContentTypeOf(IUnknown* part, const std::string& name, package::PartOptions& options) const {
  if (const ComPtr<IPartFont> font = Query<IPartFont>(part)) {
    Bstr type;
    EXpsFontOptions font_options = Font_Normal;
    if (SUCCEEDED(font->GetFontProperties(type.Put(), &font_options)) && font_options == Font_Obfusticate) {
      options.obfuscate = true;
      return std::string(kObfuscatedFont);
    }
    return type.Empty() ? std::string(kOctetStream) : Narrow(type.View(), "a content type");
  }
  if (const ComPtr<IPartImage> image = Query<IPartImage>(part))
    return ContentTypeFrom([&](BSTR* type) { return image->GetImageProperties(type); });
  if (const ComPtr<IPartThumbnail> thumbnail = Query<IPartThumbnail>(part))
    return ContentTypeFrom([&](BSTR* type) { return thumbnail->GetThumbnailProperties(type); });
  if (const ComPtr<ICarriedPart> carried = Query<ICarriedPart>(part)) return carried->ContentType();
  if (const std::optional<package::Part> original = input_->Find(name)) return original->content_type;
  if (Query<IFixedPage>(part)) return std::string(package::content_type::kFixedPage);
  if (Query<IPartPrintTicket>(part)) return std::string(package::content_type::kPrintTicket);
  if (Query<IPartResourceDictionary>(part)) return std::string(package::content_type::kResourceDictionary);
  if (Query<IPartColorProfile>(part)) return std::string(kColorProfile);
  return std::string(kOctetStream);
}

bool JobSink::WritePart(IUnknown* part, const std::string& name) {
  if (Written(name)) return false;
  const ComPtr<IPartBase> base = Query<IPartBase>(part);
  if (!base) throw HostError(name + ": not a part", E_NOINTERFACE);
  package::PartOptions options;
  const std::string content_type = ContentTypeOf(part, name, options);
  options.compression_level = CompressionLevel(base.Get());
  ComPtr<IPrintReadStream> stream;
  if (const HRESULT hr = base->GetStream(stream.Put()); FAILED(hr))
    throw HostError(name + ": the part's content cannot be read (" + HresultName(hr) + ")", hr);
  const std::unique_ptr<package::PartSink> sink = writer_.BeginPart(name, content_type, options);
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    if (const HRESULT hr = stream->ReadBytes(buffer_.data(), IntCast<ULONG>(buffer_.size()), &read, &end);
        FAILED(hr))
      throw HostError(name + ": reading the part failed (" + HresultName(hr) + ")", hr);
    if (read) sink->Write(buffer_.data(), read);
    if (end || read == 0) break;
  }
  sink->Finish();
  if (!Untouched(part)) touched_.Insert(name);
  return true;
}

void JobSink::Relate(const std::string& source, bool untouched, std::vector<package::Relationship> made,
                     const std::vector<package::Relationship>* as_read) {
  std::vector<package::Relationship> read;
  if (!as_read && input_->Find(source)) read = input_->Relationships(source);
  std::vector<package::Relationship> all;
  for (const package::Relationship& relationship : as_read ? *as_read : read)
    if (untouched || (relationship.type != vocabulary_.print_ticket && relationship.type != vocabulary_.required_resource))
      all.push_back(relationship);
  if (!untouched) all.insert(all.end(), made.begin(), made.end());
  bool complete = Written(source);
  for (const package::Relationship& relationship : all) {
    AddOrKeep(source, relationship);
    complete = complete && CanAdd(source, relationship);
  }
  // Nothing of this source waits: its relationships part can be written now rather than at the end.
  if (complete) writer_.FinishRelationships(source);
}

void JobSink::WriteStructure(const std::string& name, std::string_view content_type, bool verbatim,
                             const std::function<void(package::PartSink&)>& write_markup) {
  const std::unique_ptr<package::PartSink> sink = writer_.BeginPart(name, content_type);
  if (verbatim) {
    const std::unique_ptr<package::PartReader> original = input_->OpenPart(name);
    while (const std::size_t n = original->Read(buffer_.data(), buffer_.size())) sink->Write(buffer_.data(), n);
  } else {
    write_markup(*sink);
  }
  sink->Finish();
  if (!verbatim) touched_.Insert(name);
}

void JobSink::FinishDocument() {
  if (!document_) return;
  const bool verbatim = document_->original && document_->in_order && document_->pages == document_->original->page_count;
  WriteStructure(document_->name, package::content_type::kFixedDocument, verbatim, [this](package::PartSink& sink) {
    const std::string head = "<FixedDocument xmlns=\"" + std::string(vocabulary_.markup_namespace) + "\">";
    const std::string tail = "</FixedDocument>";
    sink.Write(head.data(), head.size());
    document_->markup.Drain([&](const void* data, std::size_t size) { sink.Write(data, size); });
    sink.Write(tail.data(), tail.size());
  });
  document_.reset();
}

void JobSink::FinishSequence() {
  const package::Sequence& original = input_->Model().sequence;
  bool verbatim = package::SamePartName(original.name, *sequence_) && original.documents.size() == documents_.size();
  for (std::size_t i = 0; verbatim && i < documents_.size(); ++i)
    verbatim = package::SamePartName(original.documents[i].name, documents_[i]);
  std::string markup;
  if (!verbatim) {
    markup = "<FixedDocumentSequence xmlns=\"" + std::string(vocabulary_.markup_namespace) + "\">";
    for (const std::string& document : documents_) {
      markup += "<DocumentReference Source=\"" + EscapedXml(document) + "\"";
      for (const package::Document& known : original.documents)
        if (package::SamePartName(known.name, document)) markup += Attributes(known.reference_attributes);
      markup += "/>";
    }
    markup += "</FixedDocumentSequence>";
  }
  WriteStructure(*sequence_, package::content_type::kFixedDocumentSequence, verbatim,
                 [&](package::PartSink& sink) { sink.Write(markup.data(), markup.size()); });
}

void JobSink::Finish() {
  FinishDocument();
  if (!sequence_) throw HostError("the chain sent no fixed document sequence", E_UNEXPECTED);
  FinishSequence();
  WriteSignatures();
  // The package's own links (core properties, signature origin, ...) stay;
  // the start part and the thumbnail are the ones that reached the end.
  std::vector<package::Relationship> root;
  bool start_kept = false;
  bool thumbnail_kept = false;
  for (const package::Relationship& relationship : input_->Model().package_relationships) {
    if (relationship.type == vocabulary_.start_part) {
      if (start_kept || !package::SamePartName(relationship.target, *sequence_)) continue;
      start_kept = true;
    } else if (relationship.type == package::reltype::kThumbnail) {
      if (thumbnail_kept || !thumbnail_ || !package::SamePartName(relationship.target, *thumbnail_)) continue;
      thumbnail_kept = true;
    }
    root.push_back(relationship);
  }
  if (!start_kept) root.push_back({"", std::string(vocabulary_.start_part), *sequence_, false});
  if (thumbnail_ && !thumbnail_kept) root.push_back({"", package::reltype::kThumbnail, *thumbnail_, false});
  for (const package::Relationship& relationship : root) AddOrKeep("/", relationship);
  // What still misses its source or target links to a part the chain dropped.
  for (const auto& [source, relationship] : pending_)
    if (CanAdd(source, relationship)) writer_.AddRelationship(source, relationship);
  pending_.clear();
}

bool JobSink::SignatureHolds(const std::vector<std::string>& signed_parts, std::string& broken) const {
  for (const std::string& signed_part : signed_parts) {
    const std::string part =
        package::IsRelationshipsPartName(signed_part) ? package::RelationshipsSource(signed_part) : signed_part;
    if (part == "/" || WrittenUntouched(part)) continue;
    broken = part;
    return false;
  }
  return true;
}

void JobSink::WriteSignatures() {
  std::map<std::string, bool> kept;  // by key: signatures and certificates to write
  for (const package::Signature& signature : input_->Model().signatures) {
    std::string broken;
    const bool holds = SignatureHolds(input_->SignedParts(signature), broken);
    if (!holds)
      report_->Warning(signature.name + ": signature dropped: the chain changed " + broken + ", which it signs");
    kept[package::PartNameKey(signature.name)] = holds;
    for (const std::string& certificate : signature.certificates) kept[package::PartNameKey(certificate)] |= holds;
  }
  for (const ComPtr<IUnknown>& part : signature_parts_) {
    const std::string name = NameOf(part.Get(), "signature part");
    if (const auto found = kept.find(package::PartNameKey(name)); found != kept.end() && !found->second) continue;
    if (WritePart(part.Get(), name)) Relate(name, Untouched(part.Get()), {});
  }
  signature_parts_.clear();
}

bool JobSink::CanAdd(const std::string& source, const package::Relationship& relationship) const {
  return (source == "/" || Written(source)) && (relationship.external || Written(relationship.target));
}

void JobSink::AddOrKeep(const std::string& source, const package::Relationship& relationship) {
  if (CanAdd(source, relationship))
    writer_.AddRelationship(source, relationship);
  else
    pending_.emplace_back(source, relationship);
}

}  // namespace kestrel::host
