#include "host/package/xps_structure.h"

#include <algorithm>
#include <set>

#include "host/package/document_markup.h"
#include "host/package/markup_compatibility.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xml_part.h"
#include "host/package/xps_vocabulary.h"

namespace kestrel::package {
namespace {

constexpr std::string_view kSignatureNamespace = "http://www.w3.org/2000/09/xmldsig#";
constexpr std::string_view kDiscardControlXps = "http://schemas.microsoft.com/xps/2005/06/discard-control";

bool IsStructural(PartKind kind) {
  return kind == PartKind::FixedDocumentSequence || kind == PartKind::FixedDocument || kind == PartKind::FixedPage;
}

// How the structure's readers reach a part: at Open, claiming it for a role
// and reporting oddities; when pages are read again, only finding it.
class PartRoles {
 public:
  virtual std::size_t Reach(std::size_t entry, const std::string& referrer, PartKind kind) = 0;
  virtual void Warn(std::string warning) = 0;

 protected:
  ~PartRoles() = default;
};

// Marks a part as reached in a role. A sequence, document or page reached
// twice, or also in another role, is an error; other parts keep their first role.
class ClaimingRoles final : public PartRoles {
 public:
  ClaimingRoles(PartDirectory& directory, std::vector<std::string>& warnings)
      : directory_(directory), warnings_(warnings) {}

  std::size_t Reach(std::size_t entry, const std::string& referrer, PartKind kind) override {
    PartRecord& record = directory_.Record(entry);
    if (!record.claimed) {
      record.claimed = true;
      record.kind = kind;
    } else if (IsStructural(kind) && record.kind == kind) {
      throw PackageError(std::string(directory_.Name(entry)), "referenced twice (again by " + referrer + ")");
    } else if (IsStructural(kind) || IsStructural(record.kind)) {
      throw PackageError(std::string(directory_.Name(entry)), std::string("used both as ") +
                                                                  PartKindName(record.kind) + " and as " +
                                                                  PartKindName(kind) + " (by " + referrer + ")");
    }
    return entry;
  }
  void Warn(std::string warning) override { warnings_.push_back(std::move(warning)); }

 private:
  PartDirectory& directory_;
  std::vector<std::string>& warnings_;
};

// Open claimed and warned already.
class FindingRoles final : public PartRoles {
 public:
  std::size_t Reach(std::size_t entry, const std::string&, PartKind) override { return entry; }
  void Warn(std::string) override {}
};

// What a part's relationships give it: its ticket, resources and attachments.
class LinkReader {
 public:
  LinkReader(const StructureAccess& access, const XpsVocabulary& vocabulary, PartRoles& roles)
      : access_(access), directory_(access.Directory()), vocabulary_(vocabulary), roles_(roles) {}

  std::size_t Require(std::string_view name, const std::string& referrer) const {
    const std::optional<std::size_t> entry = directory_.Find(name);
    if (!entry || directory_.IsRelationshipsPart(*entry)) {
      throw PackageError(std::string(name), "missing part referenced by " + referrer);
    }
    return *entry;
  }

  std::size_t Reach(std::string_view name, const std::string& referrer, PartKind kind) {
    return roles_.Reach(Require(name, referrer), referrer, kind);
  }

  std::string NameOf(std::size_t entry) const { return std::string(directory_.Name(entry)); }

  void ExpectContentType(std::size_t entry, std::string_view expected, const std::string& role) const {
    const std::string& content_type = directory_.ContentType(entry);
    if (MediaType(content_type) != expected) {
      throw PackageError(NameOf(entry), role + " with content type \"" + content_type + "\", expected \"" +
                                            std::string(expected) + "\"");
    }
  }

  std::optional<std::string> TicketOf(const std::string& owner, const std::vector<Relationship>& relationships) {
    std::optional<std::string> ticket;
    for (const Relationship& r : relationships) {
      if (r.type != vocabulary_.print_ticket) continue;
      if (ticket) throw PackageError(owner, "more than one print ticket");
      if (r.external) throw PackageError(owner, "external print ticket " + r.target);
      const std::size_t entry = Reach(r.target, owner, PartKind::PrintTicket);
      ExpectContentType(entry, content_type::kPrintTicket, "print ticket");
      ticket = NameOf(entry);
    }
    return ticket;
  }

  // Relationships of an owner that are neither its ticket nor handled by the caller.
  std::vector<Attachment> AttachmentsOf(const std::string& owner, const std::vector<Relationship>& relationships,
                                        const std::set<std::string_view>& handled) {
    std::vector<Attachment> attachments;
    for (const Relationship& r : relationships) {
      if (r.type == vocabulary_.print_ticket || handled.contains(r.type)) continue;
      if (r.external) {
        roles_.Warn(owner + ": external relationship to " + r.target + " is not carried");
        continue;
      }
      const std::size_t entry = Require(r.target, owner);
      PartKind kind = KindOfContentType(directory_.ContentType(entry));
      if (r.type == reltype::kThumbnail) kind = PartKind::Thumbnail;
      if (r.type == vocabulary_.story_fragments) kind = PartKind::StoryFragments;
      if (r.type == vocabulary_.document_structure) kind = PartKind::DocumentStructure;
      if (r.type == vocabulary_.signature_definitions) kind = PartKind::SignatureDefinitions;
      roles_.Reach(entry, owner, kind);
      attachments.push_back({kind, NameOf(entry), r.type});
    }
    return attachments;
  }

  Page ReadPage(const std::string& name, const std::string& referrer, const std::vector<std::string>& restricted) {
    const std::size_t entry = Reach(name, referrer, PartKind::FixedPage);
    ExpectContentType(entry, content_type::kFixedPage, "fixed page");
    Page page;
    page.name = NameOf(entry);
    const std::vector<Relationship> relationships = access_.RelationshipsOf(page.name);
    page.ticket = TicketOf(page.name, relationships);
    std::set<std::string> listed;
    std::set<std::string> dictionaries_seen;
    AddRequiredResources(page.name, relationships, page, listed, dictionaries_seen, restricted, false);
    page.attachments = AttachmentsOf(page.name, relationships, {vocabulary_.required_resource});
    page.relationships = relationships;
    return page;
  }

 private:
  // The page's required resources, and those of its remote resource dictionaries (each visited once).
  void AddRequiredResources(const std::string& source, const std::vector<Relationship>& relationships, Page& page,
                            std::set<std::string>& listed, std::set<std::string>& dictionaries_seen,
                            const std::vector<std::string>& restricted, bool through_dictionary) {
    for (const Relationship& r : relationships) {
      if (r.type != vocabulary_.required_resource) continue;
      if (r.external) throw PackageError(source, "external required resource " + r.target);
      const std::size_t entry = Require(r.target, source);
      const PartKind kind = KindOfContentType(directory_.ContentType(entry));
      roles_.Reach(entry, source, kind);
      const std::string name = NameOf(entry);
      const std::string key = PartNameKey(name);
      if (listed.insert(key).second) {
        const bool is_restricted = std::any_of(restricted.begin(), restricted.end(),
                                               [&](const std::string& font) { return SamePartName(font, name); });
        page.resources.push_back({kind, name, is_restricted, through_dictionary});
      }
      if (kind == PartKind::ResourceDictionary && dictionaries_seen.insert(key).second) {
        AddRequiredResources(name, access_.RelationshipsOf(name), page, listed, dictionaries_seen, restricted, true);
      }
    }
  }

  const StructureAccess& access_;
  const PartDirectory& directory_;
  const XpsVocabulary& vocabulary_;
  PartRoles& roles_;
};

class StructureBuilder {
 public:
  StructureBuilder(Package& package, PartDirectory& directory, const StructureAccess& access,
                   const ReaderLimits& limits, const std::vector<std::size_t>& order,
                   const std::vector<DanglingRelationship>& dangling)
      : package_(package),
        directory_(directory),
        access_(access),
        limits_(limits),
        order_(order),
        dangling_(dangling),
        roles_(directory, package.warnings) {}

  void Build() {
    const std::string start = StartPart().target;
    vocabulary_ = &VocabularyOf(package_.flavour);
    links_.emplace(access_, *vocabulary_, roles_);
    DropDanglingRelationships();
    ReadSequence(start);
    ReadPackageRelationships();
    ReadSignatures();
    CollectOwnParts();
  }

 private:
  const Relationship& StartPart() {
    const Relationship* start = nullptr;
    for (const Relationship& r : package_.package_relationships) {
      const bool xps = r.type == reltype::kStartPartXps;
      if (!xps && r.type != reltype::kStartPartOpenXps) continue;
      if (start) throw PackageError("/_rels/.rels", "more than one start part relationship");
      if (r.external) throw PackageError("/_rels/.rels", "the start part relationship is external");
      start = &r;
      package_.flavour = xps ? Flavour::Xps : Flavour::OpenXps;
    }
    if (!start) throw PackageError("/_rels/.rels", "no start part relationship: not an XPS package");
    return *start;
  }

  // A relationship to a missing part that printing needs is an error (found
  // later with the referrer named); one to a missing thumbnail, signature or
  // other extra is dropped with a warning, so the output has no dangling one.
  void DropDanglingRelationships() {
    for (const DanglingRelationship& d : dangling_) {
      if (IsEssentialRelationship(d.relationship.type, package_.flavour)) continue;
      package_.warnings.push_back(d.relationship.target + ": missing part referenced by " +
                                  (d.source == "/" ? std::string("/_rels/.rels") : d.source) + " (relationship " +
                                  d.relationship.id + " dropped)");
    }
    std::erase_if(package_.package_relationships, [this](const Relationship& r) {
      return !r.external && !IsEssentialRelationship(r.type, package_.flavour) && !directory_.Find(r.target);
    });
  }

  LinkReader& Links() { return *links_; }

  void ReadSequence(const std::string& name) {
    const std::size_t entry = Links().Reach(name, "/_rels/.rels", PartKind::FixedDocumentSequence);
    Links().ExpectContentType(entry, content_type::kFixedDocumentSequence, "start part");
    Sequence& sequence = package_.sequence;
    sequence.name = Links().NameOf(entry);
    const std::vector<Relationship> relationships = access_.RelationshipsOf(sequence.name);
    sequence.ticket = Links().TicketOf(sequence.name, relationships);
    sequence.attachments = Links().AttachmentsOf(sequence.name, relationships, {});
    XmlDocument document = ParseXmlPart(access_.ReadWhole(entry), sequence.name);
    xmlNode* root = xmlDocGetRootElement(document.get());
    CheckRoot(root, sequence.name, "FixedDocumentSequence", vocabulary_->markup_namespace);
    ForEachUnderstoodChild(root, vocabulary_->markup_namespace, sequence.name, [&](xmlNode* reference) {
      if (ElementName(reference) != "DocumentReference") {
        throw PackageError(sequence.name, "unexpected element " + std::string(ElementName(reference)));
      }
      const std::string target = ResolveSource(reference, sequence.name);
      sequence.documents.push_back(ReadDocument(target, sequence.name));
      sequence.documents.back().reference_attributes = AttributesExceptSource(reference);
    });
    if (sequence.documents.empty()) throw PackageError(sequence.name, "no DocumentReference");
  }

  // Checks the document and each of its pages; the pages are counted, not kept.
  Document ReadDocument(const std::string& name, const std::string& referrer) {
    const std::size_t entry = Links().Reach(name, referrer, PartKind::FixedDocument);
    Links().ExpectContentType(entry, content_type::kFixedDocument, "fixed document");
    Document document;
    document.name = Links().NameOf(entry);
    const std::vector<Relationship> relationships = access_.RelationshipsOf(document.name);
    document.ticket = Links().TicketOf(document.name, relationships);
    for (const Relationship& r : relationships) {
      if (r.type != vocabulary_->restricted_font) continue;
      if (r.external) throw PackageError(document.name, "external restricted font " + r.target);
      document.restricted_fonts.push_back(Links().NameOf(Links().Require(r.target, document.name)));
    }
    document.attachments = Links().AttachmentsOf(document.name, relationships, {vocabulary_->restricted_font});
    const std::string markup = access_.ReadWhole(entry);
    CheckXmlPart(markup, document.name);
    PageContentReader contents(XmlStream::FromMemory(markup, document.name), document.name,
                               vocabulary_->markup_namespace);
    while (xmlNode* content = contents.Next()) {
      const std::string target = ResolveSource(content, document.name);
      if (++page_count_ > limits_.max_pages) throw PackageError(document.name, "more pages than the limit");
      Links().ReadPage(target, document.name, document.restricted_fonts);
      LinkTargets(content, document.name, vocabulary_->markup_namespace);
      ++document.page_count;
    }
    if (document.page_count == 0) throw PackageError(document.name, "no PageContent");
    return document;
  }

  std::size_t Claim(const std::string& name, const std::string& referrer, PartKind kind) {
    return Links().Reach(name, referrer, kind);
  }

  void ReadPackageRelationships() {
    const std::vector<Relationship> relationships = package_.package_relationships;
    for (const Relationship& r : relationships) {
      if (r.type == vocabulary_->start_part) continue;
      if (r.type == reltype::kStartPartXps || r.type == reltype::kStartPartOpenXps) {
        throw PackageError("/_rels/.rels", "start part relationship of the other XPS flavour");
      }
      if (r.external) {
        package_.warnings.push_back("/_rels/.rels: external relationship to " + r.target + " is not carried");
        continue;
      }
      const std::size_t entry = Links().Require(r.target, "/_rels/.rels");
      const std::string name = Links().NameOf(entry);
      if (r.type == reltype::kThumbnail) {
        Claim(name, "/_rels/.rels", PartKind::Thumbnail);
        package_.attachments.push_back({PartKind::Thumbnail, name, r.type});
      } else if (r.type == reltype::kSignatureOrigin) {
        Claim(name, "/_rels/.rels", PartKind::SignatureOrigin);
        if (package_.signature_origin) {
          package_.warnings.push_back(name + ": a second signature origin; its signatures are not verifiable");
        } else {
          package_.signature_origin = name;
        }
      } else if (r.type == reltype::kCoreProperties) {
        Claim(name, "/_rels/.rels", PartKind::CoreProperties);
        const std::string& content_type = directory_.ContentType(entry);
        if (KindOfContentType(content_type) != PartKind::CoreProperties) {
          package_.warnings.push_back(name + ": core properties with content type \"" + content_type + "\"");
        }
      } else if (r.type == vocabulary_->discard_control || r.type == kDiscardControlXps) {
        Claim(name, "/_rels/.rels", PartKind::DiscardControl);
      }
    }
  }

  void ReadSignatures() {
    if (!package_.signature_origin) return;
    const std::string origin = Links().NameOf(Links().Require(*package_.signature_origin, "/_rels/.rels"));
    for (const Relationship& r : access_.RelationshipsOf(origin)) {
      if (r.type != reltype::kSignature || r.external) continue;
      const std::size_t entry = Claim(r.target, origin, PartKind::Signature);
      Signature signature;
      signature.name = Links().NameOf(entry);
      for (const Relationship& c : access_.RelationshipsOf(signature.name)) {
        if (c.type == reltype::kCertificate && !c.external) {
          signature.certificates.push_back(Links().NameOf(Claim(c.target, signature.name, PartKind::Certificate)));
        }
      }
      try {
        SignedPartsOf(access_.ReadWhole(entry), signature.name);
      } catch (const PackageError& error) {
        signature.readable = false;
        package_.warnings.push_back(std::string(error.what()) + " (the signature will not be verifiable)");
      }
      package_.signatures.push_back(std::move(signature));
    }
  }

  void CollectOwnParts() {
    for (const std::size_t entry : order_) {
      if (directory_.IsRelationshipsPart(entry)) continue;
      PartRecord& record = directory_.Record(entry);
      const bool attached = record.claimed && record.kind != PartKind::SignatureOrigin &&
                            record.kind != PartKind::Signature && record.kind != PartKind::Certificate &&
                            record.kind != PartKind::CoreProperties && record.kind != PartKind::DiscardControl;
      if (attached) continue;
      if (!record.claimed) record.kind = KindOfContentType(directory_.ContentType(entry));
      package_.own_parts.emplace_back(directory_.Name(entry));
    }
    std::sort(package_.own_parts.begin(), package_.own_parts.end());
  }

  Package& package_;
  PartDirectory& directory_;
  const StructureAccess& access_;
  const ReaderLimits& limits_;
  const std::vector<std::size_t>& order_;
  const std::vector<DanglingRelationship>& dangling_;
  const XpsVocabulary* vocabulary_ = nullptr;
  ClaimingRoles roles_;
  std::optional<LinkReader> links_;
  std::uint64_t page_count_ = 0;
};

class DocumentPageCursor final : public PageCursor {
 public:
  DocumentPageCursor(const StructureAccess& access, const XpsVocabulary& vocabulary, const Document& document)
      : document_(document.name),
        restricted_(document.restricted_fonts),
        name_space_(vocabulary.markup_namespace),
        links_(access, vocabulary, roles_),
        contents_(XmlStream::FromPart(access.OpenEntry(links_.Require(document.name, "the sequence")), document_),
                  document_, name_space_) {}

  std::optional<Page> Next() override {
    xmlNode* content = contents_.Next();
    if (!content) return std::nullopt;
    Page page = links_.ReadPage(ResolveSource(content, document_), document_, restricted_);
    page.content_attributes = AttributesExceptSource(content);
    page.link_targets = LinkTargets(content, document_, name_space_);
    return page;
  }

 private:
  const std::string document_;
  const std::vector<std::string> restricted_;
  const std::string_view name_space_;
  FindingRoles roles_;
  LinkReader links_;
  PageContentReader contents_;
};

void CollectReferences(xmlNode* element, std::vector<std::string>& names) {
  for (xmlNode* child : ElementChildren(element)) {
    if (IsElement(child, kSignatureNamespace, "Reference")) {
      auto uri = Attribute(child, "URI");
      if (uri && uri->starts_with('/')) names.push_back(uri->substr(0, uri->find('?')));
    }
    CollectReferences(child, names);
  }
}

}  // namespace

bool IsEssentialRelationship(const std::string& type, Flavour flavour) {
  const XpsVocabulary& vocabulary = VocabularyOf(flavour);
  return type == vocabulary.start_part || type == vocabulary.print_ticket || type == vocabulary.required_resource;
}

void BuildXpsStructure(Package& package, PartDirectory& directory, const StructureAccess& access,
                       const ReaderLimits& limits, const std::vector<std::size_t>& order,
                       const std::vector<DanglingRelationship>& dangling) {
  StructureBuilder(package, directory, access, limits, order, dangling).Build();
}

std::unique_ptr<PageCursor> OpenPageCursor(const StructureAccess& access, Flavour flavour, const Document& document) {
  return std::make_unique<DocumentPageCursor>(access, VocabularyOf(flavour), document);
}

std::vector<std::string> SignedPartsOf(const std::string& markup, const std::string& signature) {
  XmlDocument document = ParseXmlPart(markup, signature);
  std::vector<std::string> names;
  CollectReferences(xmlDocGetRootElement(document.get()), names);
  return names;
}

}  // namespace kestrel::package
