// What the order filter takes from a ticket: whether the job or each document
// becomes a booklet, on which edge, in sets of how many sheets, and whether
// duplex is manual. Booklets print on both sides turned on the short edge, so
// a one-sided or long-edge duplex choice turns a booklet into a left binding.
#pragma once

#include <string_view>

#include "platform/xml_dom.h"
#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"

// Whether pages are reordered into booklets, and which.
enum class BookletMode : LONG {
  None,
  WholeJob,     // the job-scope binding asks: one booklet across documents
  PerDocument,  // the document-scope binding asks
};

struct ResolvedBooklet {
  BookletMode bookletMode = BookletMode::None;
  BindingEdge bindingEdge = BindingEdge::BindBottom;
  DuplexMode duplexMode = DuplexMode::None;
};

struct OrderSettings {
  BookletMode bookletMode = BookletMode::None;
  BindingEdge bindingEdge = BindingEdge::BindBottom;
  BookletMethod bookletMethod = BookletMethod::AllPagesAtOnce;
  LONG bookletSheets = 5;  // sheets per set with BookletMethod::DivideIntoSets; at least 1
  DuplexMode duplexMode = DuplexMode::None;
};

// Reconciles binding and duplex as read from one ticket: a booklet with a
// one-sided or long-edge duplex feature becomes BindLeft without gutter; a
// booklet without any duplex feature implies automatic short-edge duplex.
// Both records are adjusted in place. E_FAIL (resolved untouched) when a
// booklet meets a duplex record of the other scope.
HRESULT ResolveBookletDuplex(BindingSettings& binding, DuplexSettings& duplex, ResolvedBooklet* resolved);

// Reads binding and duplex from the ticket (each from its defaults) and
// updates settings; on any failure settings stay as they were. A booklet set
// of fewer than one sheet counts as one sheet.
HRESULT ReadOrderSettings(IXMLDOMDocument2* ticket, std::u16string_view privateNamespace, OrderSettings& settings);
