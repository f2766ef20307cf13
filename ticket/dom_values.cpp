#include "ticket/dom_values.h"

VARIANT StringVariant(const Bstr& text) {
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = text.Get();
  return value;
}

VARIANT IntegerVariant(LONG number) {
  VARIANT value;
  value.vt = VT_I4;
  value.lVal = number;
  return value;
}

HRESULT TypedValueText(IXMLDOMNode* node, Bstr* text) {
  Variant value;
  const HRESULT hr = node->get_nodeTypedValue(value.Get());
  if (FAILED(hr)) return hr;
  if (value->vt != VT_BSTR) return E_FAIL;
  *text = Bstr::Attach(value->bstrVal);
  value->vt = VT_EMPTY;
  return S_OK;
}
