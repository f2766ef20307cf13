#include "host/package/xps_structure.h"

#include <algorithm>
#include <set>

#include "host/package/markup_compatibility.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xml_part.h"
#include "host/package/xps_vocabulary.h"

namespace kestrel::package {
namespace {

constexpr std::string_view kSignatureNamespace = "http://www.w3.org/2000/09/xmldsig#";
constexpr std::string_view kDiscardControlXps = "http://schemas.microsoft.com/xps/2005/06/discard-control";

std::vector<std::pair<std::string, std::string>> AttributesExceptSource(const xmlNode* element) {
  std::vector<std::pair<std::string, std::string>> attributes;
  for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
    const std::string name = attribute->ns && attribute->ns->prefix
                                 ? std::string(reinterpret_cast<const char*>(attribute->ns->prefix)) + ":" +
                                       reinterpret_cast<const char*>(attribute->name)
                                 : reinterpret_cast<const char*>(attribute->name);
    if (name == "Source") continue;
    xmlChar* value = xmlNodeListGetString(element->doc, attribute->children, 1);
    attributes.emplace_back(name, value ? reinterpret_cast<const char*>(value) : "");
    xmlFree(value);
  }
  return attributes;
}

class StructureBuilder {
 public:
  StructureBuilder(Package& package, const ReadWholePartFunction& read, const ReaderLimits& limits)
      : package_(package), read_(read), limits_(limits) {}

  void Build() {
    const std::string start = StartPart().target;
    vocabulary_ = &VocabularyOf(package_.flavour);
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
    auto essential = [this](const Relationship& r) {
      return r.type == vocabulary_->start_part || r.type == vocabulary_->print_ticket ||
             r.type == vocabulary_->required_resource;
    };
    auto drop = [&](std::vector<Relationship>& relationships, const std::string& source) {
      std::erase_if(relationships, [&](const Relationship& r) {
        if (r.external || essential(r) || package_.parts.contains(PartNameKey(r.target))) return false;
        package_.warnings.push_back(r.target + ": missing part referenced by " + source + " (relationship " + r.id +
                                    " dropped)");
        return true;
      });
    };
    drop(package_.package_relationships, "/_rels/.rels");
    for (auto& [key, part] : package_.parts) drop(part.relationships, part.name);
  }

  Part& Require(const std::string& name, const std::string& referrer) {
    auto found = package_.parts.find(PartNameKey(name));
    if (found == package_.parts.end()) throw PackageError(name, "missing part referenced by " + referrer);
    return found->second;
  }

  static bool IsStructural(PartKind kind) {
    return kind == PartKind::FixedDocumentSequence || kind == PartKind::FixedDocument || kind == PartKind::FixedPage;
  }

  // Marks a part as reached in a role. A sequence, document or page reached
  // twice, or also in another role, is an error; other parts keep their first role.
  Part& Claim(const std::string& name, const std::string& referrer, PartKind kind) {
    Part& part = Require(name, referrer);
    auto [it, fresh] = claimed_.emplace(PartNameKey(name), kind);
    if (fresh) {
      part.kind = kind;
    } else if (IsStructural(kind) && it->second == kind) {
      throw PackageError(part.name, "referenced twice (again by " + referrer + ")");
    } else if (IsStructural(kind) || IsStructural(it->second)) {
      throw PackageError(part.name, std::string("used both as ") + PartKindName(it->second) + " and as " +
                                        PartKindName(kind) + " (by " + referrer + ")");
    }
    return part;
  }

  void ExpectContentType(const Part& part, std::string_view expected, const std::string& role) {
    if (MediaType(part.content_type) != expected) {
      throw PackageError(part.name, role + " with content type \"" + part.content_type + "\", expected \"" +
                                        std::string(expected) + "\"");
    }
  }

  xmlNode* RootOf(const XmlDocument& document, const Part& part, std::string_view name) {
    xmlNode* root = xmlDocGetRootElement(document.get());
    if (ElementName(root) != name || ElementNamespace(root) != vocabulary_->markup_namespace) {
      throw PackageError(part.name, "root element " + std::string(ElementName(root)) + " of namespace \"" +
                                        std::string(ElementNamespace(root)) + "\", expected " + std::string(name) +
                                        " of \"" + std::string(vocabulary_->markup_namespace) + "\"");
    }
    return root;
  }

  std::string ResolveSource(const xmlNode* element, const Part& referrer) {
    auto source = Attribute(element, "Source");
    if (!source) throw PackageError(referrer.name, std::string(ElementName(element)) + " without Source");
    auto resolved = ResolvePartReference(referrer.name, *source);
    if (!resolved) throw PackageError(referrer.name, "Source \"" + *source + "\" is no part name");
    return *resolved;
  }

  std::optional<std::string> TicketOf(const Part& owner) {
    std::optional<std::string> ticket;
    for (const Relationship& r : owner.relationships) {
      if (r.type != vocabulary_->print_ticket) continue;
      if (ticket) throw PackageError(owner.name, "more than one print ticket");
      if (r.external) throw PackageError(owner.name, "external print ticket " + r.target);
      Part& part = Claim(r.target, owner.name, PartKind::PrintTicket);
      ExpectContentType(part, content_type::kPrintTicket, "print ticket");
      ticket = part.name;
    }
    return ticket;
  }

  // Relationships of an owner that are neither its ticket nor handled by the caller.
  std::vector<Attachment> AttachmentsOf(const Part& owner, const std::set<std::string_view>& handled) {
    std::vector<Attachment> attachments;
    for (const Relationship& r : owner.relationships) {
      if (r.type == vocabulary_->print_ticket || handled.contains(r.type)) continue;
      if (r.external) {
        package_.warnings.push_back(owner.name + ": external relationship to " + r.target + " is not carried");
        continue;
      }
      Part& part = Require(r.target, owner.name);
      PartKind kind = KindOfContentType(part.content_type);
      if (r.type == reltype::kThumbnail) kind = PartKind::Thumbnail;
      if (r.type == vocabulary_->story_fragments) kind = PartKind::StoryFragments;
      if (r.type == vocabulary_->document_structure) kind = PartKind::DocumentStructure;
      if (r.type == vocabulary_->signature_definitions) kind = PartKind::SignatureDefinitions;
      Claim(r.target, owner.name, kind);
      attachments.push_back({kind, part.name, r.type});
    }
    return attachments;
  }

  XmlDocument ParseStructurePart(const Part& part) { return ParseXmlPart(read_(part), part.name); }

  void ReadSequence(const std::string& name) {
    Part& part = Claim(name, "/_rels/.rels", PartKind::FixedDocumentSequence);
    ExpectContentType(part, content_type::kFixedDocumentSequence, "start part");
    Sequence& sequence = package_.sequence;
    sequence.name = part.name;
    sequence.ticket = TicketOf(part);
    sequence.attachments = AttachmentsOf(part, {});
    XmlDocument document = ParseStructurePart(part);
    xmlNode* root = RootOf(document, part, "FixedDocumentSequence");
    ForEachUnderstoodChild(root, vocabulary_->markup_namespace, part.name, [&](xmlNode* reference) {
      if (ElementName(reference) != "DocumentReference") {
        throw PackageError(part.name, "unexpected element " + std::string(ElementName(reference)));
      }
      const std::string target = ResolveSource(reference, part);
      sequence.documents.push_back(ReadDocument(target, part.name));
      sequence.documents.back().reference_attributes = AttributesExceptSource(reference);
    });
    if (sequence.documents.empty()) throw PackageError(part.name, "no DocumentReference");
  }

  Document ReadDocument(const std::string& name, const std::string& referrer) {
    Part& part = Claim(name, referrer, PartKind::FixedDocument);
    ExpectContentType(part, content_type::kFixedDocument, "fixed document");
    Document document;
    document.name = part.name;
    document.ticket = TicketOf(part);
    for (const Relationship& r : part.relationships) {
      if (r.type != vocabulary_->restricted_font) continue;
      if (r.external) throw PackageError(part.name, "external restricted font " + r.target);
      document.restricted_fonts.push_back(Require(r.target, part.name).name);
    }
    document.attachments = AttachmentsOf(part, {vocabulary_->restricted_font});
    XmlDocument markup = ParseStructurePart(part);
    xmlNode* root = RootOf(markup, part, "FixedDocument");
    ForEachUnderstoodChild(root, vocabulary_->markup_namespace, part.name, [&](xmlNode* content) {
      if (ElementName(content) != "PageContent") {
        throw PackageError(part.name, "unexpected element " + std::string(ElementName(content)));
      }
      const std::string target = ResolveSource(content, part);
      if (++page_count_ > limits_.max_pages) throw PackageError(part.name, "more pages than the limit");
      document.pages.push_back(ReadPage(target, part.name, document.restricted_fonts));
      Page& page = document.pages.back();
      page.content_attributes = AttributesExceptSource(content);
      page.link_targets = LinkTargets(content, part);
    });
    if (document.pages.empty()) throw PackageError(part.name, "no PageContent");
    return document;
  }

  std::vector<std::string> LinkTargets(xmlNode* content, const Part& part) {
    std::vector<std::string> names;
    ForEachUnderstoodChild(content, vocabulary_->markup_namespace, part.name, [&](xmlNode* child) {
      if (ElementName(child) != "PageContent.LinkTargets") {
        throw PackageError(part.name, "unexpected element " + std::string(ElementName(child)) + " in PageContent");
      }
      ForEachUnderstoodChild(child, vocabulary_->markup_namespace, part.name, [&](xmlNode* target) {
        auto name = Attribute(target, "Name");
        if (ElementName(target) != "LinkTarget" || !name) {
          throw PackageError(part.name, "PageContent.LinkTargets holds something other than a named LinkTarget");
        }
        names.push_back(*name);
      });
    });
    return names;
  }

  Page ReadPage(const std::string& name, const std::string& referrer, const std::vector<std::string>& restricted) {
    Part& part = Claim(name, referrer, PartKind::FixedPage);
    ExpectContentType(part, content_type::kFixedPage, "fixed page");
    Page page;
    page.name = part.name;
    page.ticket = TicketOf(part);
    std::set<std::string> listed;
    std::set<std::string> dictionaries_seen;
    AddRequiredResources(part, page, listed, dictionaries_seen, restricted, false);
    page.attachments = AttachmentsOf(part, {vocabulary_->required_resource});
    return page;
  }

  // The page's required resources, and those of its remote resource dictionaries (each visited once).
  void AddRequiredResources(const Part& source, Page& page, std::set<std::string>& listed,
                            std::set<std::string>& dictionaries_seen, const std::vector<std::string>& restricted,
                            bool through_dictionary) {
    for (const Relationship& r : source.relationships) {
      if (r.type != vocabulary_->required_resource) continue;
      if (r.external) throw PackageError(source.name, "external required resource " + r.target);
      Part& resource = Require(r.target, source.name);
      const PartKind kind = KindOfContentType(resource.content_type);
      Claim(resource.name, source.name, kind);
      const std::string key = PartNameKey(resource.name);
      if (listed.insert(key).second) {
        const bool is_restricted = std::any_of(restricted.begin(), restricted.end(),
                                               [&](const std::string& font) { return SamePartName(font, resource.name); });
        page.resources.push_back({kind, resource.name, is_restricted, through_dictionary});
      }
      if (kind == PartKind::ResourceDictionary && dictionaries_seen.insert(key).second) {
        AddRequiredResources(resource, page, listed, dictionaries_seen, restricted, true);
      }
    }
  }

  void ReadPackageRelationships() {
    std::vector<Relationship> relationships = package_.package_relationships;
    for (const Relationship& r : relationships) {
      if (r.type == vocabulary_->start_part) continue;
      if (r.type == reltype::kStartPartXps || r.type == reltype::kStartPartOpenXps) {
        throw PackageError("/_rels/.rels", "start part relationship of the other XPS flavour");
      }
      if (r.external) {
        package_.warnings.push_back("/_rels/.rels: external relationship to " + r.target + " is not carried");
        continue;
      }
      Part& part = Require(r.target, "/_rels/.rels");
      if (r.type == reltype::kThumbnail) {
        Claim(part.name, "/_rels/.rels", PartKind::Thumbnail);
        package_.attachments.push_back({PartKind::Thumbnail, part.name, r.type});
      } else if (r.type == reltype::kSignatureOrigin) {
        Claim(part.name, "/_rels/.rels", PartKind::SignatureOrigin);
        if (package_.signature_origin) {
          package_.warnings.push_back(part.name + ": a second signature origin; its signatures are not verifiable");
        } else {
          package_.signature_origin = part.name;
        }
      } else if (r.type == reltype::kCoreProperties) {
        Claim(part.name, "/_rels/.rels", PartKind::CoreProperties);
        if (KindOfContentType(part.content_type) != PartKind::CoreProperties) {
          package_.warnings.push_back(part.name + ": core properties with content type \"" + part.content_type + "\"");
        }
      } else if (r.type == vocabulary_->discard_control || r.type == kDiscardControlXps) {
        Claim(part.name, "/_rels/.rels", PartKind::DiscardControl);
      }
    }
  }

  void ReadSignatures() {
    if (!package_.signature_origin) return;
    const Part& origin = Require(*package_.signature_origin, "/_rels/.rels");
    for (const Relationship& r : origin.relationships) {
      if (r.type != reltype::kSignature || r.external) continue;
      Part& part = Claim(r.target, origin.name, PartKind::Signature);
      Signature signature;
      signature.name = part.name;
      for (const Relationship& c : part.relationships) {
        if (c.type == reltype::kCertificate && !c.external) {
          signature.certificates.push_back(Claim(c.target, part.name, PartKind::Certificate).name);
        }
      }
      try {
        signature.signed_parts = SignedParts(part);
      } catch (const PackageError& error) {
        signature.readable = false;
        package_.warnings.push_back(std::string(error.what()) + " (the signature will not be verifiable)");
      }
      package_.signatures.push_back(std::move(signature));
    }
  }

  std::vector<std::string> SignedParts(const Part& part) {
    XmlDocument document = ParseStructurePart(part);
    std::vector<std::string> names;
    CollectReferences(xmlDocGetRootElement(document.get()), names);
    return names;
  }

  static void CollectReferences(xmlNode* element, std::vector<std::string>& names) {
    for (xmlNode* child : ElementChildren(element)) {
      if (IsElement(child, kSignatureNamespace, "Reference")) {
        auto uri = Attribute(child, "URI");
        if (uri && uri->starts_with('/')) names.push_back(uri->substr(0, uri->find('?')));
      }
      CollectReferences(child, names);
    }
  }

  void CollectOwnParts() {
    for (auto& [key, part] : package_.parts) {
      auto found = claimed_.find(key);
      const bool attached = found != claimed_.end() && found->second != PartKind::SignatureOrigin &&
                            found->second != PartKind::Signature && found->second != PartKind::Certificate &&
                            found->second != PartKind::CoreProperties && found->second != PartKind::DiscardControl;
      if (attached) continue;
      if (found == claimed_.end()) part.kind = KindOfContentType(part.content_type);
      package_.own_parts.push_back(part.name);
    }
    std::sort(package_.own_parts.begin(), package_.own_parts.end());
  }

  Package& package_;
  const ReadWholePartFunction& read_;
  const ReaderLimits& limits_;
  const XpsVocabulary* vocabulary_ = nullptr;
  std::map<std::string, PartKind> claimed_;  // by PartNameKey
  std::uint64_t page_count_ = 0;
};

}  // namespace

void BuildXpsStructure(Package& package, const ReadWholePartFunction& read, const ReaderLimits& limits) {
  StructureBuilder(package, read, limits).Build();
}

}  // namespace kestrel::package
