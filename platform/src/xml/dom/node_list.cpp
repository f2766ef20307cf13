#include "node_list.h"

namespace xmldom {

// XPath node sets count in int, so the length fits a LONG.
HRESULT NodeList::get_length(LONG* length) {
  if (!length) return E_POINTER;
  *length = static_cast<LONG>(nodes_.size());
  return S_OK;
}

HRESULT NodeList::get_item(LONG index, IXMLDOMNode** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return S_FALSE;
  return nodes_[static_cast<std::size_t>(index)].CopyTo(item);
}

HRESULT NodeList::nextNode(IXMLDOMNode** next) {
  if (!next) return E_POINTER;
  *next = nullptr;
  if (cursor_ >= nodes_.size()) return S_FALSE;
  return nodes_[cursor_++].CopyTo(next);
}

HRESULT NodeList::reset() {
  cursor_ = 0;
  return S_OK;
}

}  // namespace xmldom
