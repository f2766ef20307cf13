// What the finisher does to the pages under one merged ticket: mirror or turn
// the content (PageMirrorImage, PageReverseImage), feed the sheet transverse
// (the media's TransverseMode: the content turned a quarter and the page size
// exchanged) and, on a poster tile, clip the content to the printable area and
// draw the twelve cut-out marks around it (PagePrintCutOutLine).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/page_box.h"
#include "framework/print_ticket_manager.h"
#include "ticket/mirror_settings.h"

enum class TransverseFeed : LONG {
  None,
  TurnPage,       // a page that is not Landscape: turned, its size exchanged
  LandscapePage,  // the markup stays; only the ticket's media changes
};

// How the content is mirrored: x -> width - x, y -> height - y, or both (a half turn).
enum class MirrorCode : LONG { None, AcrossWidth, AcrossHeight, Both };

// The mirror code of a mirror request together with a reverse (half-turn)
// request; a value outside either table asks for nothing.
MirrorCode MirrorCodeOf(const MirrorSettings& settings);

class FinisherSettings {
 public:
  FinisherSettings(PrintTicketManager& manager, std::u16string_view privateNamespace);

  // Reads the requests of the ticket. Under transverse feeding the ticket's
  // media gets its width and height exchanged and the Portrait orientation,
  // and changed is set; a media that cannot be written so fails the read, so
  // that no half-edited ticket is handed on. E_POINTER for NULL arguments;
  // otherwise the first failure of a reader.
  HRESULT ReadFinisherSettings(IXMLDOMDocument2* ticket, bool* changed);

  // Whether a page under these settings is rewritten.
  bool RewritesPage() const;

  TransverseFeed transverse() const { return transverse_; }
  MirrorCode mirror() const { return mirror_; }
  bool cut_out_lines() const { return cutOutLines_; }
  // In page units; nullopt when the printer reported no usable one.
  const std::optional<PageBox>& printable_area() const { return printable_; }

 private:
  std::optional<PageBox> ReadPrintableArea(IXMLDOMDocument2* ticket);

  PrintTicketManager& manager_;
  std::u16string privateNamespace_;
  TransverseFeed transverse_ = TransverseFeed::None;
  MirrorCode mirror_ = MirrorCode::None;
  bool cutOutLines_ = false;
  std::optional<PageBox> printable_;
};
