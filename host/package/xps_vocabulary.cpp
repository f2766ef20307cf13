#include "host/package/xps_vocabulary.h"

#include <algorithm>
#include <map>

namespace kestrel::package {

const XpsVocabulary& VocabularyOf(Flavour flavour) {
  static const XpsVocabulary xps{
      "http://schemas.microsoft.com/xps/2005/06",
      reltype::kStartPartXps,
      reltype::kPrintTicketXps,
      reltype::kRequiredResourceXps,
      reltype::kRestrictedFontXps,
      "http://schemas.microsoft.com/xps/2005/06/documentstructure",
      "http://schemas.microsoft.com/xps/2005/06/storyfragments",
      "http://schemas.microsoft.com/xps/2005/06/signature-definitions",
      "http://schemas.microsoft.com/xps/2005/06/discard-control",
  };
  static const XpsVocabulary open_xps{
      "http://schemas.openxps.org/oxps/v1.0",
      reltype::kStartPartOpenXps,
      reltype::kPrintTicketOpenXps,
      reltype::kRequiredResourceOpenXps,
      reltype::kRestrictedFontOpenXps,
      "http://schemas.openxps.org/oxps/v1.0/documentstructure",
      "http://schemas.openxps.org/oxps/v1.0/storyfragments",
      "http://schemas.openxps.org/oxps/v1.0/signature-definitions",
      "http://schemas.openxps.org/oxps/v1.0/discard-control",
  };
  return flavour == Flavour::Xps ? xps : open_xps;
}

std::string MediaType(std::string_view content_type) {
  std::string media(content_type.substr(0, content_type.find(';')));
  while (!media.empty() && (media.back() == ' ' || media.back() == '\t')) media.pop_back();
  std::transform(media.begin(), media.end(), media.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return media;
}

PartKind KindOfContentType(std::string_view content_type) {
  static const std::map<std::string, PartKind, std::less<>> kinds{
      {std::string(content_type::kFixedDocumentSequence), PartKind::FixedDocumentSequence},
      {std::string(content_type::kFixedDocument), PartKind::FixedDocument},
      {std::string(content_type::kFixedPage), PartKind::FixedPage},
      {std::string(content_type::kPrintTicket), PartKind::PrintTicket},
      {std::string(content_type::kResourceDictionary), PartKind::ResourceDictionary},
      {"application/vnd.ms-opentype", PartKind::Font},
      {"application/vnd.ms-package.obfuscated-opentype", PartKind::Font},
      {"application/x-font-ttf", PartKind::Font},
      {"application/x-font-otf", PartKind::Font},
      {"application/font-sfnt", PartKind::Font},
      {"font/ttf", PartKind::Font},
      {"font/otf", PartKind::Font},
      {"image/jpeg", PartKind::Image},
      {"image/png", PartKind::Image},
      {"image/tiff", PartKind::Image},
      {"image/vnd.ms-photo", PartKind::Image},
      {"image/jxr", PartKind::Image},
      {"application/vnd.ms-color.iccprofile", PartKind::ColorProfile},
      {"application/vnd.openxmlformats-package.core-properties+xml", PartKind::CoreProperties},
      {"application/vnd.ms-package.xps-documentstructure+xml", PartKind::DocumentStructure},
      {"application/vnd.ms-package.xps-storyfragments+xml", PartKind::StoryFragments},
      {"application/vnd.ms-package.xps-discard-control+xml", PartKind::DiscardControl},
      {"application/vnd.openxmlformats-package.digital-signature-origin", PartKind::SignatureOrigin},
      {"application/vnd.openxmlformats-package.digital-signature-xmlsignature+xml", PartKind::Signature},
      {"application/vnd.openxmlformats-package.digital-signature-certificate", PartKind::Certificate},
  };
  auto found = kinds.find(MediaType(content_type));
  return found == kinds.end() ? PartKind::Other : found->second;
}

}  // namespace kestrel::package
