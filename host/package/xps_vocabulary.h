// The names XPS packages use: the markup namespace and relationship types of
// each flavour, and the content types that tell what a part is.
#pragma once

#include <string>
#include <string_view>

#include "host/package/package_model.h"

namespace kestrel::package {

struct XpsVocabulary {
  std::string_view markup_namespace;
  std::string_view start_part;
  std::string_view print_ticket;
  std::string_view required_resource;
  std::string_view restricted_font;
  std::string_view document_structure;
  std::string_view story_fragments;
  std::string_view signature_definitions;
  std::string_view discard_control;
};

const XpsVocabulary& VocabularyOf(Flavour flavour);

inline constexpr std::string_view kMarkupCompatibilityNamespace =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

namespace content_type {
inline constexpr std::string_view kFixedDocumentSequence = "application/vnd.ms-package.xps-fixeddocumentsequence+xml";
inline constexpr std::string_view kFixedDocument = "application/vnd.ms-package.xps-fixeddocument+xml";
inline constexpr std::string_view kFixedPage = "application/vnd.ms-package.xps-fixedpage+xml";
inline constexpr std::string_view kPrintTicket = "application/vnd.ms-printing.printticket+xml";
inline constexpr std::string_view kResourceDictionary = "application/vnd.ms-package.xps-resourcedictionary+xml";
}  // namespace content_type

// The media type without parameters, in lower case: what content types compare by.
std::string MediaType(std::string_view content_type);

// What a part of this content type is, when nothing else says.
PartKind KindOfContentType(std::string_view content_type);

}  // namespace kestrel::package
