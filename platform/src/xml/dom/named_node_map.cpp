// get_attributes: a live view of an element's attributes.
#include <limits>

#include "attribute_lookup.h"
#include "document.h"
#include "text.h"

namespace xmldom {

namespace {

class NamedNodeMap final : public ComObject<IXMLDOMNamedNodeMap> {
 public:
  NamedNodeMap(Document& owner, xmlNode* element) : owner_(owner), element_(element) {
    owner.Wrap(element, element_object_.Put());
  }
  bool Holds() const { return static_cast<bool>(element_object_); }

  HRESULT getNamedItem(BSTR name, IXMLDOMNode** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    return Guard([&] {
      const std::optional<std::string> text = Utf8FromBstr(name);
      if (!text) return E_INVALIDARG;
      return FindAttribute(owner_, element_, *text, item);
    });
  }

  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = 0;
    const std::size_t count = AttributeCount(element_);
    if (count > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) return E_FAIL;
    *length = static_cast<LONG>(count);
    return S_OK;
  }

  HRESULT nextNode(IXMLDOMNode** next) override {
    if (!next) return E_POINTER;
    *next = nullptr;
    return Guard([&] {
      const HRESULT hr = AttributeAt(owner_, element_, cursor_, next);
      if (hr == S_OK) ++cursor_;
      return hr;
    });
  }

  HRESULT reset() override {
    cursor_ = 0;
    return S_OK;
  }

 private:
  Document& owner_;
  xmlNode* element_;
  ComPtr<IXMLDOMNode> element_object_;  // keeps the element and its document
  std::size_t cursor_ = 0;
};

}  // namespace

HRESULT GetAttributes(Document& owner, xmlNode* node, IXMLDOMNamedNodeMap** attributes) {
  if (!attributes) return E_POINTER;
  *attributes = nullptr;
  if (node->type != XML_ELEMENT_NODE) return S_FALSE;
  auto* map = new (std::nothrow) NamedNodeMap(owner, node);
  if (!map) return E_OUTOFMEMORY;
  if (!map->Holds()) {
    map->Release();
    return E_OUTOFMEMORY;
  }
  *attributes = map;
  return S_OK;
}

}  // namespace xmldom
