#include "emit_pass.h"

#include "framework/ticket_part_writer.h"
#include "gutter_geometry.h"
#include "ticket/hresult_error.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/mirror_settings.h"

namespace {

constexpr WCHAR kLayoutTicketTag[] = u"LO";

}  // namespace

HRESULT EmitPass::Run() {
  HRESULT hr = S_OK;
  for (std::size_t i = 0; i < state_.plan.size() && SUCCEEDED(hr);) {
    bool sent = false;
    hr = EmitEntry(state_.plan[i], &sent);
    if (FAILED(hr)) break;
    if (sent && state_.traySeparationCount > 0) {
      // The first tray's sides are done: the next side starts a sheet from the second tray.
      state_.forcedBlank = --state_.traySeparationCount == 0;
      if (state_.forcedBlank && bindingActive_) continue;  // the same entry again, as a blank
      state_.forcedBlank = false;
    }
    ++i;
  }
  state_.plan.clear();
  const NUpGroup& nUp = state_.nUp;
  if (SUCCEEDED(hr) && (nUp.nup.pagesPerSheet < 2 || nUp.cellIndex == 1) && state_.currentTicket)
    state_.sheetTicket = state_.currentTicket;
  state_.pagePart = nullptr;
  state_.currentTicket = nullptr;
  return hr;
}

HRESULT EmitPass::EmitEntry(const SheetEntry& entry, bool* sent) {
  entry_ = &entry;
  poster_ = false;
  bindingActive_ = false;
  if (!state_.forcedBlank) {
    flush_ = entry.flush;
    blank_ = entry.blank;
    poster_ = entry.posterTile;
    closeAfter_ = entry.endsSheet || entry.posterTile;
  } else {
    blank_ = true;
  }
  side_ = Transform();
  writeBlank_ = false;
  HRESULT hr = CallReturningHresult([&] {
    for (SettingGroup* group : state_.groups)
      if (group->IsActive()) group->Accept(*this);
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  if (blank_) return EmitBlank(sent);
  if (state_.forcedBlank) {
    state_.forcedBlank = false;
    return S_OK;
  }
  if (flush_) {
    if (!state_.pendingSheet.page) return S_OK;
    hr = CloseSheet(state_.pendingSheet);
    const ComPtr<IFixedPage> page = std::move(state_.pendingSheet.page);
    state_.pendingSheet = SheetWriter{};
    if (FAILED(hr)) return hr;
    return Send(page.Get(), sent);
  }
  return EmitPage(entry, sent);
}

void EmitPass::VisitBindingDuplex(BindingDuplexGroup& group) {
  bindingActive_ = true;
  const DuplexSettings& duplex = group.duplex;
  if (state_.forcedBlank) {
    if (group.sidesEmitted % 2 == 0 || duplex.duplexType == DuplexType::OneSided) {
      blank_ = false;
      return;
    }
    group.gutterDirty = true;
    ++group.sidesEmitted;
    writeBlank_ = duplex.duplexMode != DuplexMode::Manual;
    return;
  }
  if (entry_->blank) {
    ++group.sidesEmitted;
    group.gutterDirty = true;
    // A tile's back is only needed when the sheet is printed on both sides.
    const bool oneSided = duplex.duplexType == DuplexType::OneSided;
    const bool manual = duplex.duplexMode == DuplexMode::Manual;
    writeBlank_ = entry_->posterTile ? !oneSided && !manual : oneSided || !manual;
    return;
  }
  if (!poster_ && !IsBookletEdge(group.binding.bindingEdge)) {
    if (group.gutterDirty) {
      const SidePosition side{group.firstSheetMedia.orientation, group.sheetOrientation, group.sidesEmitted};
      group.gutter = GutterShift(group.binding, duplex, side);
      group.gutterDirty = false;
    }
    side_ = group.gutter;
  }
  if (closeAfter_ || flush_) {
    ++group.sidesEmitted;
    group.gutterDirty = true;
  }
}

HRESULT EmitPass::EmitBlank(bool* sent) {
  if (!writeBlank_) {
    state_.forcedBlank = false;
    return S_OK;
  }
  // A tile's back has the tile's paper; a forced blank the sheet's; a blank
  // between sets the paper of the sheet before it.
  const SheetFormat* format = &state_.previousSheetFormat;
  if (poster_)
    format = &state_.pageFormat;
  else if (state_.forcedBlank)
    format = &state_.sheetFormat;
  state_.forcedBlank = false;
  ComPtr<IFixedPage> page;
  HRESULT hr = CreateBlankSide(context_.consumer, format->area, state_.names, &page);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = state_.sheetTicket ? state_.sheetTicket.Get() : state_.currentTicket.Get();
  if (ticket) {
    hr = WriteSideTicket(state_, context_, page.Get(), ticket, {format, false, false});
    if (FAILED(hr)) return hr;
  }
  return Send(page.Get(), sent);
}

HRESULT EmitPass::EmitPage(const SheetEntry& entry, bool* sent) {
  HRESULT hr = S_OK;
  if (entry.startsSheet) {
    const SheetFormat& format = entry.posterTile ? state_.pageFormat : state_.sheetFormat;
    SheetWriter sheet;
    hr = CreateSheet(context_.consumer, format.area, side_, state_.names, &sheet);
    if (FAILED(hr)) return hr;
    if (state_.currentTicket) {
      hr = WriteSideTicket(state_, context_, sheet.page.Get(), state_.currentTicket.Get(), {&format, true, false});
      if (FAILED(hr)) return hr;
    }
    sheet.borders = entry.borders;
    state_.pendingSheet = std::move(sheet);
  }
  IFixedPage* page = state_.pagePart.Get();
  if (!state_.pendingSheet.page || !state_.pendingSheet.stream) {
    // No sheet: the page goes on alone, shifted as a whole when it must be.
    if (!side_.IsIdentity()) {
      hr = RewritePage(page, side_);
      if (FAILED(hr)) return hr;
    }
    if (state_.currentTicket) {
      hr = WriteSideTicket(state_, context_, page, state_.currentTicket.Get(), {nullptr, false, true});
      if (FAILED(hr)) return hr;
    }
    return Send(page, sent);
  }
  hr = CopyPageIntoSheet(page, state_.pendingSheet, entry.transform, entry.clip);
  if (FAILED(hr)) return hr;
  if (!closeAfter_) return S_OK;
  hr = CloseSheet(state_.pendingSheet);
  const ComPtr<IFixedPage> sheet = std::move(state_.pendingSheet.page);
  state_.pendingSheet = SheetWriter{};
  if (FAILED(hr)) return hr;
  return Send(sheet.Get(), sent);
}

HRESULT EmitPass::Send(IFixedPage* page, bool* sent) {
  const HRESULT hr = context_.consumer->SendFixedPage(page);
  *sent = SUCCEEDED(hr);
  return hr;
}

HRESULT EmitPass::Finish() {
  HRESULT hr = S_OK;
  if (state_.pendingSheet.page && state_.pendingSheet.stream) {
    hr = CloseSheet(state_.pendingSheet);
    if (SUCCEEDED(hr)) hr = context_.consumer->SendFixedPage(state_.pendingSheet.page.Get());
  }
  state_.pendingSheet = SheetWriter{};
  state_.sheetTicket = nullptr;
  state_.previousSheetFormat = SheetFormat{};
  return hr;
}

namespace {

// What the changes of a side ticket depend on besides the ticket they start from.
SideTicketKey KeyOf(const LayoutState& state, const SideTicket& changes) {
  SideTicketKey key;
  if (changes.format) {
    const MediaSizeSettings& media = changes.format->media;
    key.media = {media.width, media.height, Index(media.orientation), media.optionIsPrivate};
    key.mediaName = std::u16string(media.optionName.View());
    key.mirror = {Index(changes.format->mirror.mirror), Index(changes.format->mirror.reverse)};
  }
  const bool separated = state.traySeparationCount > 0;
  const bool bins = changes.bins || (changes.binsWhileSeparated && separated);
  key.bins = {bins, bins ? Index(separated ? state.firstBin : state.effectiveBin) : -1,
              bins ? Index(state.secondBin) : -1};
  return key;
}

}  // namespace

HRESULT WriteSideTicket(LayoutState& state, const LayoutContext& context, IFixedPage* page, IXMLDOMDocument2* ticket,
                        const SideTicket& changes) {
  // Sides whose tickets start from the same document ticket and change it the
  // same way share one ticket part: a page without a ticket of its own is a
  // fresh copy of its document's.
  SideTicketKey key = KeyOf(state, changes);
  key.source = ticket == state.currentTicket.Get() ? state.pageSettingsSource.Get() : nullptr;
  if (key.source && state.lastSideTicket && key == state.lastSideTicketKey)
    return page->SetPrintTicket(state.lastSideTicket.Get());
  state.lastSideTicket = nullptr;
  return CallReturningHresult([&] {
    PrintTicketDom dom(u"PrintTicket", context.privateNamespace, ticket);
    bool written = false;
    if (changes.format) {
      ThrowIfFailed(WriteMediaSize(dom, changes.format->media));
      ThrowIfFailed(WriteMirror(dom, changes.format->mirror));
      written = true;
    }
    const bool separated = state.traySeparationCount > 0;
    if (changes.bins || (changes.binsWhileSeparated && separated)) {
      InputBinSettings bins;
      ThrowIfFailed(SetInputBinSlot(bins, 0, separated ? state.firstBin : state.effectiveBin));
      ThrowIfFailed(SetInputBinSlot(bins, 1, state.secondBin));
      ThrowIfFailed(WriteInputBin(dom, bins));
      JobInfoSettings job;
      ReadJobInfo(dom, job);
      job.separateTrayMode = OffOn::Off;
      ThrowIfFailed(WriteJobInfo(dom, job));
      written = true;
    }
    if (!written) return S_OK;
    NUpSettings nup;
    ThrowIfFailed(ReadNUp(dom, nup));
    if (nup.scope != Scope::None) {
      nup.pagesPerSheet = 1;
      ThrowIfFailed(WriteNUp(dom, nup));
    }
    ComPtr<IPartPrintTicket> part;
    ThrowIfFailed(WriteTicketPart(context.consumer, ticket, kLayoutTicketTag, part.Put()));
    if (key.source) {
      state.lastSideTicket = part;
      state.lastSideTicketKey = key;
      state.lastSideTicketSource = state.pageSettingsSource;  // keeps the key's source alive
    }
    return page->SetPrintTicket(part.Get());
  });
}
