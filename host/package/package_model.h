// What a package holds, as the host hands it to the filters: the fixed
// document sequence with its documents and pages, each with its print ticket
// and resources, and every other part (thumbnails, core properties, document
// structure, story fragments, signatures, anything unknown) so that none is
// lost on the way to the output package.
//
// Which parts travel how:
// - attached to their owning part: print tickets (sequence, document, page),
//   page resources (fonts, images, colour profiles, remote resource
//   dictionaries and what those dictionaries require), the package thumbnail
//   (to the XPS document), page thumbnails and story fragments (to the page),
//   document structure and signature definitions (to the document);
// - parts of their own (`Package::own_parts`): core properties, the signature
//   origin, signatures and certificates, discard control and any part no
//   relationship of the sequence reaches. The host forwards them unchanged.
// A signature covers the parts its manifest lists (PackageReader::SignedParts);
// when the chain changes any of them the signature no longer holds, and the
// host drops the origin's relationship to it, the signature and its
// certificates, with a warning.
//
// The model holds what does not grow with the pages: the sequence and its
// documents. A document's pages, and any part's relationships, are read from
// the package when asked for (PackageReader::Pages, Relationships).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::package {

enum class PartKind : std::uint8_t {
  FixedDocumentSequence,
  FixedDocument,
  FixedPage,
  PrintTicket,
  Font,
  Image,
  ColorProfile,
  ResourceDictionary,
  Thumbnail,
  CoreProperties,
  DocumentStructure,
  StoryFragments,
  SignatureDefinitions,
  SignatureOrigin,
  Signature,
  Certificate,
  DiscardControl,
  Other,
};
const char* PartKindName(PartKind kind);

// The two namespaces an XPS package may be written in.
enum class Flavour : std::uint8_t { Xps, OpenXps };

struct Relationship {
  std::string id;
  std::string type;
  // An absolute part name for internal targets, the target as written for external ones.
  std::string target;
  bool external = false;
  bool operator==(const Relationship&) const = default;
};

// One part of the package (relationships parts and [Content_Types].xml are
// not parts; their content is in PackageReader::Relationships and `content_type`).
struct Part {
  std::string name;          // as written in the package, e.g. "/Resources/arial.ttf"
  std::string content_type;  // parameters kept as written
  PartKind kind = PartKind::Other;
  // Stored obfuscated: reading yields the plain font; writing must obfuscate again.
  bool obfuscated = false;
  std::uint64_t size = 0;  // bytes as read (after joining pieces)
};

// A part that travels with another (see the table above).
struct Attachment {
  PartKind kind = PartKind::Other;
  std::string name;
  std::string relationship_type;
};

struct Resource {
  PartKind kind = PartKind::Other;  // Font, Image, ColorProfile, ResourceDictionary or Other
  std::string name;
  // A font the document lists as restricted: not to be extracted for other use.
  bool restricted = false;
  // Required by a remote resource dictionary of the page rather than the page itself.
  bool through_dictionary = false;
};

struct Page {
  std::string name;
  std::optional<std::string> ticket;
  // The PageContent element's attributes as written (Width, Height, ...), and
  // the names of its LinkTargets.
  std::vector<std::pair<std::string, std::string>> content_attributes;
  std::vector<std::string> link_targets;
  std::vector<Resource> resources;
  std::vector<Attachment> attachments;
  std::vector<Relationship> relationships;  // the page part's own, as read
};

struct Document {
  std::string name;
  std::optional<std::string> ticket;
  std::vector<std::pair<std::string, std::string>> reference_attributes;  // DocumentReference
  std::uint64_t page_count = 0;  // the pages PackageReader::Pages reads
  std::vector<std::string> restricted_fonts;
  std::vector<Attachment> attachments;
};

struct Sequence {
  std::string name;
  std::optional<std::string> ticket;
  std::vector<Document> documents;
  std::vector<Attachment> attachments;
};

struct Signature {
  std::string name;
  std::vector<std::string> certificates;
  // False when the signature's markup could not be read: nothing says what it covers.
  bool readable = true;
};

struct Package {
  Flavour flavour = Flavour::Xps;
  Sequence sequence;
  std::vector<Attachment> attachments;  // of the XPS document: the package thumbnail
  std::vector<std::string> own_parts;   // sorted by name
  std::optional<std::string> signature_origin;
  std::vector<Signature> signatures;
  std::vector<Relationship> package_relationships;  // of the package root ("/_rels/.rels")
  // Oddities tolerated while reading, one line each, naming the part.
  std::vector<std::string> warnings;
};

// The relationship types of both flavours.
namespace reltype {
inline constexpr const char* kStartPartXps = "http://schemas.microsoft.com/xps/2005/06/fixedrepresentation";
inline constexpr const char* kStartPartOpenXps = "http://schemas.openxps.org/oxps/v1.0/fixedrepresentation";
inline constexpr const char* kPrintTicketXps = "http://schemas.microsoft.com/xps/2005/06/printticket";
inline constexpr const char* kPrintTicketOpenXps = "http://schemas.openxps.org/oxps/v1.0/printticket";
inline constexpr const char* kRequiredResourceXps = "http://schemas.microsoft.com/xps/2005/06/required-resource";
inline constexpr const char* kRequiredResourceOpenXps = "http://schemas.openxps.org/oxps/v1.0/required-resource";
inline constexpr const char* kRestrictedFontXps = "http://schemas.microsoft.com/xps/2005/06/restricted-font";
inline constexpr const char* kRestrictedFontOpenXps = "http://schemas.openxps.org/oxps/v1.0/restricted-font";
inline constexpr const char* kThumbnail = "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail";
inline constexpr const char* kCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr const char* kSignatureOrigin =
    "http://schemas.openxmlformats.org/package/2006/relationships/digital-signature/origin";
inline constexpr const char* kSignature =
    "http://schemas.openxmlformats.org/package/2006/relationships/digital-signature/signature";
inline constexpr const char* kCertificate =
    "http://schemas.openxmlformats.org/package/2006/relationships/digital-signature/certificate";
}  // namespace reltype

}  // namespace kestrel::package
