// The attribute methods: the value is the attribute's text.
#include "node_objects.h"

namespace xmldom {

HRESULT AttributeNode::get_value(VARIANT* value) { return get_nodeTypedValue(value); }

HRESULT AttributeNode::put_value(VARIANT value) {
  if (value.vt != VT_BSTR) return E_INVALIDARG;
  return put_text(value.bstrVal);
}

}  // namespace xmldom
