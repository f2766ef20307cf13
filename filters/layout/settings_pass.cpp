#include "settings_pass.h"

#include <cstdio>

#include "framework/ticket_part_writer.h"
#include "ticket/hresult_error.h"
#include "ticket/imageable_area.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/mirror_settings.h"

namespace {

constexpr WCHAR kLayoutTicketTag[] = u"LO";

HRESULT AbsentIsSuccess(HRESULT hr) { return hr == kTicketItemNotFound ? S_OK : hr; }

// Requests are brought to what the sheets offer; the user learns once what was done instead.
void ReportAdjusted(const char* what, LONG requested, LONG used, LONG& lastReported) {
  if (requested == lastReported) return;
  lastReported = requested;
  std::fprintf(stderr, "xlayflt: %ld %s not offered; using %ld\n", static_cast<long>(requested), what,
               static_cast<long>(used));
}

}  // namespace

SettingsPass::SettingsPass(LayoutState& state, LayoutContext context, EPrintTicketScope scope)
    : state_(state), context_(context), scope_(scope) {}

HRESULT SettingsPass::Run() {
  if (!state_.currentTicket) return S_OK;
  return CallReturningHresult([&] {
    ReadScopeSettings();
    prePass_ = true;
    for (SettingGroup* group : state_.groups)
      if (group->IsActive()) group->Accept(*this);
    if (scope_ == kPTPageScope)
      ReadAndAdjustPage();
    else
      ReadAndAdjust();
    prePass_ = false;
    for (SettingGroup* group : state_.groups) group->Accept(*this);
    return S_OK;
  });
}

bool SettingsPass::SameAsLastPage() {
  // A page without a ticket of its own reads what its document's ticket says:
  // when the page before it read the same ticket, every page setting is as it was.
  ComPtr<IXMLDOMDocument2> source;
  if (!context_.tickets.HasPartTicket(kPTPageScope)) {
    IXMLDOMDocument2* document = nullptr;
    if (SUCCEEDED(context_.tickets.GetTicket(kPTDocumentScope, &document))) source = ComPtr<IXMLDOMDocument2>(document);
  }
  const bool same = source && source.Get() == state_.pageSettingsSource.Get();
  state_.pageSettingsSource = source;
  return same;
}

void SettingsPass::ReadScopeSettings() {
  const PrintTicketDom ticket(u"PrintTicket", context_.privateNamespace, state_.currentTicket.Get());
  if (scope_ == kPTPageScope) {
    if (SameAsLastPage()) {
      samePageSettings_ = true;
      state_.watch.changed = false;
      ChooseBins();
      return;
    }
    ReadPageFormat(ticket);
    ChooseBins();
  } else if (scope_ == kPTJobScope) {
    state_.nUp.landscapeRotation90 = state_.landscapeRotation == 90;
    JobInfoSettings job;
    ReadJobInfo(ticket, job);
    state_.separateTrayMode = job.separateTrayMode == OffOn::On;
    DuplexSettings duplex;
    ReadDuplex(ticket, duplex);
    state_.firstPaper = duplex.firstPaper == TraySeparation::DuplexPrintFirstPaper;
    InputBinSettings bins;
    ThrowIfFailed(ReadInputBin(ticket, bins));
    state_.secondBin = bins.binIndex[1];
  }
  ThrowIfFailed(ObserveDivideCondition(state_.watch, state_.currentTicket.Get(), scope_));
  if (state_.watch.changed) state_.traySeparationCount = 0;
}

void SettingsPass::ReadPageFormat(const PrintTicketDom& ticket) {
  SheetFormat& page = state_.pageFormat;
  ReadMediaSize(ticket, page.media);
  ComPtr<IXMLDOMDocument2> capabilities;
  if (SUCCEEDED(context_.tickets.GetCapabilities(state_.currentTicket.Get(), capabilities.Put()))) {
    try {
      const PrintTicketDom printer(u"PrintCapabilities", context_.privateNamespace, capabilities.Get());
      ImageableArea area;
      if (SUCCEEDED(ReadImageableArea(printer, area))) page.area = area;
    } catch (const HResultError&) {
      // Capabilities the filter cannot read leave the area it had.
    }
  }
  if (page.area.extentWidth <= 0 || page.area.extentHeight <= 0) page.area = WholePaper(page.media);
  ReadMirror(ticket, page.mirror);
  InputBinSettings bins;
  ThrowIfFailed(ReadInputBin(ticket, bins));
  state_.pageBin = bins.binIndex[0];
}

void SettingsPass::ChooseBins() {
  if (!state_.firstBinRecorded) {
    state_.firstBin = state_.effectiveBin = state_.pageBin;
    state_.firstBinRecorded = true;
  } else {
    state_.effectiveBin = state_.secondBin == InputBin::SameTray ? state_.pageBin : state_.secondBin;
  }
}

void SettingsPass::ReadAndAdjust() {
  PrintTicketDom ticket(u"PrintTicket", context_.privateNamespace, state_.currentTicket.Get());
  if (binding_.scope != Scope::Job) ThrowIfFailed(AbsentIsSuccess(ReadBinding(ticket, binding_)));
  if (duplex_.scope != Scope::Job) ThrowIfFailed(AbsentIsSuccess(ReadDuplex(ticket, duplex_)));
  if (nup_.scope != Scope::Job) ThrowIfFailed(AbsentIsSuccess(ReadNUp(ticket, nup_)));

  bool duplexChanged = false, bindingChanged = false;
  const bool booklet = IsBookletEdge(binding_.bindingEdge);
  if (duplex_.scope != Scope::Job && binding_.scope == Scope::Job && booklet) {
    duplex_.scope = Scope::Job;
    duplex_.duplexType = DuplexType::ShortEdge;
    duplexChanged = true;
  }
  const DuplexType type = duplex_.duplexType;
  const bool notShortEdge =
      type == DuplexType::OneSided || type == DuplexType::LongEdge || type == DuplexType::LongEdgeManual;
  if (duplex_.scope == Scope::Job && notShortEdge && booklet) {
    binding_.bindingEdge = BindingEdge::BindLeft;
    binding_.gutterControl = OffOn::Off;
    bindingChanged = true;
  }
  if (nup_.pagesPerSheet < 2)
    nup_.pagesPerSheet = duplex_.scope != Scope::None && duplex_.duplexType != DuplexType::OneSided ? 1 : 0;

  bool written = false;
  if (duplexChanged) written |= ThrowIfFailed(WriteDuplex(ticket, duplex_)) == S_OK;
  if (bindingChanged) written |= ThrowIfFailed(WriteBinding(ticket, binding_)) == S_OK;
  if (scope_ == kPTJobScope && nup_.pagesPerSheet > 1 && nup_.scope == Scope::Job) {
    // The filters after this one see sheets: one page each.
    const NUpSettings onePage{Scope::Job, 1, NUpDirection::RightBottom, BorderLine::SolidLine};
    written |= ThrowIfFailed(WriteNUp(ticket, onePage)) == S_OK;
  }
  if (written) HandOnTicket();
}

void SettingsPass::HandOnTicket() {
  ComPtr<IPartPrintTicket> part;
  ThrowIfFailed(WriteTicketPart(context_.consumer, state_.currentTicket.Get(), kLayoutTicketTag, part.Put()));
  if (scope_ == kPTJobScope && state_.sequencePart)
    ThrowIfFailed(state_.sequencePart->SetPrintTicket(part.Get()));
  else if (scope_ == kPTDocumentScope && state_.documentPart)
    ThrowIfFailed(state_.documentPart->SetPrintTicket(part.Get()));
}

void SettingsPass::ReadAndAdjustPage() {
  if (!state_.traySeparationStarted && state_.separateTrayMode) {
    const bool duplex = duplex_.scope != Scope::None && duplex_.duplexType != DuplexType::OneSided;
    state_.traySeparationCount = duplex && state_.firstPaper ? 2 : 1;
    state_.traySeparationStarted = true;
  }
  if (samePageSettings_) return;
  const PrintTicketDom ticket(u"PrintTicket", context_.privateNamespace, state_.currentTicket.Get());
  poster_ = PosterSettings{};
  ReadPoster(ticket, poster_);
  // One sheet per page (the printer's "Off") is no poster.
  const LONG offered = OfferedSheetsPerPage(poster_.sheetsPerPage);
  if (poster_.sheetsPerPage > 1 && offered != poster_.sheetsPerPage)
    ReportAdjusted("sheets per poster are", poster_.sheetsPerPage, offered, state_.reportedSheetsPerPage);
  poster_.sheetsPerPage = offered;
  if (state_.traySeparationCount > 0 && poster_.sheetsPerPage > 0) state_.traySeparationCount = 0;
}

void SettingsPass::VisitBindingDuplex(BindingDuplexGroup& group) {
  if (prePass_) {
    binding_ = group.binding;
    duplex_ = group.duplex;
  } else if (scope_ != kPTPageScope) {
    if (binding_.gutter < 0) {
      ReportAdjusted("microns of binding gutter are", binding_.gutter, 0, state_.reportedGutter);
      binding_.gutter = 0;
    }
    group.binding = binding_;
    group.duplex = duplex_;
  }
}

void SettingsPass::VisitNUp(NUpGroup& group) {
  if (scope_ == kPTPageScope) return;
  if (prePass_) {
    nup_ = group.nup;
    return;
  }
  const bool booklet = binding_.scope != Scope::None && IsBookletEdge(binding_.bindingEdge);
  LONG offered = OfferedPagesPerSheet(nup_.pagesPerSheet);
  if (booklet && offered > 2) offered = 2;
  if (nup_.pagesPerSheet > 1 && offered != nup_.pagesPerSheet) {
    ReportAdjusted(booklet ? "pages per booklet side are" : "pages per sheet are", nup_.pagesPerSheet, offered,
                   state_.reportedPagesPerSheet);
    nup_.pagesPerSheet = offered;
  }
  group.nup = nup_;
  group.booklet = NUpSettings{};
  if (booklet) group.booklet = NUpSettings{binding_.scope, 2, NUpDirection::RightBottom, BorderLine::None};
}

void SettingsPass::VisitPoster(PosterGroup& group) {
  if (scope_ != kPTPageScope) return;
  if (prePass_) {
    poster_ = group.poster;
    return;
  }
  group.poster = poster_;
  group.grid = MakePosterGrid(poster_.sheetsPerPage);
}
