#include "host/package/package_model.h"

namespace kestrel::package {

const char* PartKindName(PartKind kind) {
  switch (kind) {
    case PartKind::FixedDocumentSequence: return "fixed document sequence";
    case PartKind::FixedDocument: return "fixed document";
    case PartKind::FixedPage: return "fixed page";
    case PartKind::PrintTicket: return "print ticket";
    case PartKind::Font: return "font";
    case PartKind::Image: return "image";
    case PartKind::ColorProfile: return "colour profile";
    case PartKind::ResourceDictionary: return "resource dictionary";
    case PartKind::Thumbnail: return "thumbnail";
    case PartKind::CoreProperties: return "core properties";
    case PartKind::DocumentStructure: return "document structure";
    case PartKind::StoryFragments: return "story fragments";
    case PartKind::SignatureDefinitions: return "signature definitions";
    case PartKind::SignatureOrigin: return "signature origin";
    case PartKind::Signature: return "signature";
    case PartKind::Certificate: return "certificate";
    case PartKind::DiscardControl: return "discard control";
    case PartKind::Other: return "other";
  }
  return "other";
}

}  // namespace kestrel::package
