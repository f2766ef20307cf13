// Writing one logical page's plan: composed sheets are created, filled and
// closed, blank sides added, a page that needs no sheet passed on (rewritten
// when its side shifts for a gutter), and every side given a ticket that
// describes the sheet. At the end of the job the same pass closes the sheet
// still being filled.
//
// Blank sides are written only under automatic duplex: under manual duplex
// they are counted as sides but not printed. The back of a poster tile is a
// blank side like any other, so that each tile is a sheet of its own.
#pragma once

#include "layout_context.h"
#include "layout_state.h"

class EmitPass final : public LayoutPass {
 public:
  EmitPass(LayoutState& state, LayoutContext context) : state_(state), context_(context) {}

  // Writes the plan of the state's page; the first failure ends it.
  HRESULT Run();
  // Closes and sends the pending sheet.
  HRESULT Finish();

  void VisitBindingDuplex(BindingDuplexGroup& group) override;

 private:
  HRESULT EmitEntry(const SheetEntry& entry, bool* sent);
  HRESULT EmitBlank(bool* sent);
  HRESULT EmitPage(const SheetEntry& entry, bool* sent);
  HRESULT Send(IFixedPage* page, bool* sent);

  LayoutState& state_;
  LayoutContext context_;
  const SheetEntry* entry_ = nullptr;
  Transform side_;
  bool closeAfter_ = false;
  bool blank_ = false;
  bool flush_ = false;
  bool poster_ = false;
  bool bindingActive_ = false;
  bool writeBlank_ = false;
};

// Ticket changes for an output side.
struct SideTicket {
  const SheetFormat* format = nullptr;  // the paper to write, if any
  bool bins = false;                    // the trays of the side
  bool binsWhileSeparated = false;      // the trays only while the first tray is in use
};

// Writes the side's changes into ticket and, when anything changed, hands it
// on as an "LO" ticket part of page saying one page per sheet.
HRESULT WriteSideTicket(LayoutState& state, const LayoutContext& context, IFixedPage* page, IXMLDOMDocument2* ticket,
                        const SideTicket& changes);
