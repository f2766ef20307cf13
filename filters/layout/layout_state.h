// What the layout filter keeps for a job: the tickets in force, the three
// setting groups with the geometry they work on, the plan of the page being
// handled, the sheet being filled and the tray separation.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "framework/print_ticket_manager.h"
#include "gutter_geometry.h"
#include "nup_geometry.h"
#include "poster_geometry.h"
#include "sheet_writer.h"
#include "ticket/binding_settings.h"
#include "ticket/divide_condition_watch.h"
#include "ticket/duplex_settings.h"
#include "ticket/input_bin_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/poster_settings.h"

class BindingDuplexGroup;
class NUpGroup;
class PosterGroup;

// An operation over the setting groups: each active group calls the visit of its kind.
class LayoutPass {
 public:
  virtual void VisitPoster(PosterGroup&) {}
  virtual void VisitNUp(NUpGroup&) {}
  virtual void VisitBindingDuplex(BindingDuplexGroup&) {}
  virtual ~LayoutPass() = default;
};

class SettingGroup {
 public:
  virtual void Accept(LayoutPass& pass) = 0;
  virtual bool IsActive() const = 0;
  virtual ~SettingGroup() = default;
};

class BindingDuplexGroup final : public SettingGroup {
 public:
  void Accept(LayoutPass& pass) override { pass.VisitBindingDuplex(*this); }
  bool IsActive() const override { return binding.scope != Scope::None || duplex.scope != Scope::None; }
  void Reset();

  BindingSettings binding;
  DuplexSettings duplex;
  Transform gutter;
  bool gutterDirty = true;
  MediaSizeSettings firstSheetMedia;
  bool firstSheetDirty = true;
  LONG sidesEmitted = 0;
  LONG bookletParity = 0;
  Orientation sheetOrientation = Orientation::Portrait;
};

class NUpGroup final : public SettingGroup {
 public:
  void Accept(LayoutPass& pass) override { pass.VisitNUp(*this); }
  bool IsActive() const override { return nup.pagesPerSheet > 0; }
  void Reset();

  NUpSettings nup;
  NUpSettings booklet;  // shapes the sheet of a booklet; scope -1 without one
  NUpSheet sheet;
  PageTurn turn;
  Transform cellTransform;
  bool transformDirty = true;
  LONG cellIndex = 0;
  bool needsSetup = true;
  bool landscapeRotation90 = false;
  bool jobNUpDocumentSent = false;
};

class PosterGroup final : public SettingGroup {
 public:
  void Accept(LayoutPass& pass) override { pass.VisitPoster(*this); }
  bool IsActive() const override { return poster.sheetsPerPage != 0; }
  void Reset();

  PosterSettings poster;
  PosterGrid grid;
  LONG tileIndex = 0;
  std::optional<PosterTile> tile;  // empty when it must be worked out again
};

// What a side ticket was made from; equal keys give equal tickets.
struct SideTicketKey {
  IXMLDOMDocument2* source = nullptr;  // the document ticket the page ticket copies
  std::array<LONG, 4> media{};
  std::u16string mediaName;
  std::array<LONG, 2> mirror{};
  std::array<LONG, 3> bins{};

  bool operator==(const SideTicketKey&) const = default;
};

// One output item a logical page produces.
struct SheetEntry {
  bool blank = false;
  bool posterTile = false;  // with blank: the back of a tile
  bool flush = false;       // close the sheet in progress now
  bool startsSheet = false;
  bool endsSheet = true;
  Transform transform;
  ClipRect clip;
  BorderSet borders;

  bool IsPage() const { return !blank && !posterTile && !flush; }
};

struct LayoutState {
  // Back to the start of a job; the landscape rotation, the divide condition
  // watch, the pending sheet and the page and sheet formats stay.
  void Reset();

  ComPtr<IXMLDOMDocument2> currentTicket;
  ComPtr<IXMLDOMDocument2> sheetTicket;  // of the page that began the sheet being filled
  bool traySeparationStarted = false;
  LONG traySeparationCount = 0;  // output sides still taken from the first page's tray
  bool firstPaper = false;
  bool separateTrayMode = false;
  ComPtr<IFixedDocumentSequence> sequencePart;
  ComPtr<IFixedDocument> documentPart;
  ComPtr<IFixedPage> pagePart;
  SheetWriter pendingSheet;  // no page when none is being filled
  std::vector<SheetEntry> plan;
  BindingDuplexGroup bindingDuplex;
  NUpGroup nUp;
  PosterGroup poster;
  DivideConditionWatch watch;
  SheetFormat pageFormat;
  // The document ticket the last page's settings were read from, when it had no ticket of its own.
  ComPtr<IXMLDOMDocument2> pageSettingsSource;
  SheetFormat sheetFormat;
  SheetFormat previousSheetFormat;
  InputBin pageBin = InputBin::AutoSelect;  // the page's own input bin
  InputBin firstBin = InputBin::AutoSelect;
  InputBin secondBin = InputBin::SameTray;
  InputBin effectiveBin = InputBin::AutoSelect;
  bool firstBinRecorded = false;
  LONG landscapeRotation = 270;
  SidePartNames names;
  // The last side ticket part written from a page without a ticket of its own.
  ComPtr<IPartPrintTicket> lastSideTicket;
  SideTicketKey lastSideTicketKey;
  ComPtr<IXMLDOMDocument2> lastSideTicketSource;
  bool forcedBlank = false;
  // The last request of each kind the filter could not honour and said so.
  LONG reportedPagesPerSheet = 0;
  LONG reportedSheetsPerPage = 0;
  LONG reportedGutter = 0;

  // The groups in the order passes visit them.
  SettingGroup* groups[3] = {&bindingDuplex, &nUp, &poster};
};
