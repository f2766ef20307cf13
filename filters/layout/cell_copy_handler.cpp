#include "cell_copy_handler.h"

#include <string>
#include <vector>

#include "copied_markup.h"
#include "platform/checked_int.h"
#include "resource_reference.h"
#include "sheet_writer.h"
#include "ticket/hresult_error.h"

namespace {

constexpr std::u16string_view kPageResources = u"FixedPage.Resources";
constexpr std::u16string_view kCanvasResources = u"Canvas.Resources";
constexpr std::u16string_view kCompatibilityNamespace = u"http://schemas.openxmlformats.org/markup-compatibility/2006";

std::u16string_view View(const WCHAR* text, int length) { return {text, IntCast<std::size_t>(length)}; }

std::u16string_view CopiedName(std::u16string_view qName) { return qName == kPageResources ? kCanvasResources : qName; }

std::u16string_view PrefixOf(std::u16string_view qName) {
  const std::size_t colon = qName.find(u':');
  return colon == std::u16string_view::npos ? std::u16string_view() : qName.substr(0, colon);
}

}  // namespace

CellCopyHandler::CellCopyHandler(IPrintWriteStream* stream, std::u16string pageName, std::u16string cellStart,
                                 LONG cellNumber)
    : MarkupHandlerBase(stream), pageName_(std::move(pageName)), cellStart_(std::move(cellStart)) {
  if (cellNumber > 0) {
    const std::string number = std::to_string(cellNumber);
    namePrefix_ = u"L" + std::u16string(number.begin(), number.end()) + u"_";
  }
}

HRESULT CellCopyHandler::startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qLength,
                                      ISAXAttributes* attributes) {
  return CallReturningHresult([&] {
    markup_.clear();
    if (tagOpen_) markup_ += u'>';
    tagOpen_ = false;
    const std::u16string_view name = CopiedName(View(qName, qLength));
    const HRESULT hr = depth_++ == 0 ? StartCell(attributes) : StartCopy(name, attributes);
    if (FAILED(hr)) return hr;
    return Write(markup_);
  });
}

HRESULT CellCopyHandler::StartCell(ISAXAttributes* attributes) {
  // The page's declarations move onto the cell; of its other attributes only
  // the compatibility ones (Ignorable and the like) still mean something there.
  int count = 0;
  HRESULT hr = attributes->getLength(&count);
  if (FAILED(hr)) return hr;
  std::vector<CopiedAttribute> all(IntCast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    hr = AttributeAt(attributes, i, &all[IntCast<std::size_t>(i)]);
    if (FAILED(hr)) return hr;
  }
  markup_ += cellStart_;
  for (const CopiedAttribute& attribute : all) {
    if (attribute.qName == u"xmlns") {
      if (attribute.value != kFixedPageNamespace) AppendAttribute(markup_, attribute.qName, attribute.value);
    } else if (attribute.qName.starts_with(u"xmlns:")) {
      AppendAttribute(markup_, attribute.qName, attribute.value);
    }
  }
  for (const CopiedAttribute& attribute : all) {
    const std::u16string_view prefix = PrefixOf(attribute.qName);
    if (prefix.empty() || prefix == u"xmlns" || prefix == u"xml") continue;
    for (const CopiedAttribute& declaration : all)
      if (declaration.qName.substr(0, 6) == u"xmlns:" && declaration.qName.substr(6) == prefix &&
          declaration.value == kCompatibilityNamespace)
        AppendAttribute(markup_, attribute.qName, attribute.value);
  }
  markup_ += u'>';
  return S_OK;
}

HRESULT CellCopyHandler::StartCopy(std::u16string_view name, ISAXAttributes* attributes) {
  const HRESULT hr = AppendStartTag(markup_, name, attributes, [&](const CopiedAttribute& attribute) {
    const bool plain = PrefixOf(attribute.qName).empty();
    return plain ? CopiedValue(attribute.qName, attribute.value) : std::u16string(attribute.value);
  });
  tagOpen_ = SUCCEEDED(hr);
  return hr;
}

std::u16string CellCopyHandler::CopiedValue(std::u16string_view name, std::u16string_view value) const {
  if (name == u"Name") return namePrefix_ + std::u16string(value);
  if (MayReferToResource(name)) return AbsoluteReferences(pageName_, name, value);
  return std::u16string(value);
}

HRESULT CellCopyHandler::endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qLength) {
  return CallReturningHresult([&] {
    markup_.clear();
    const std::u16string_view name = CopiedName(View(qName, qLength));
    if (--depth_ == 0)
      markup_ += u"</Canvas>";
    else
      AppendEndTag(markup_, name, tagOpen_);
    tagOpen_ = false;
    return Write(markup_);
  });
}
