// Builds the XPath texts with which tickets are queried. Every element name is
// written with the document's framework prefix; a feature, property or
// parameter is matched by its qualified name (namespace prefix + local name).
// Each append concatenates to the text, so that a query can descend:
// AppendFeature then AppendScoredProperty finds the scored property anywhere
// inside that feature.
#pragma once

#include <string>
#include <string_view>

#include "platform/hresult.h"

class XPathQuery {
 public:
  // The prefix includes its colon ("psf:"); empty when the document has none.
  explicit XPathQuery(std::u16string_view frameworkPrefix);

  // //psf:Feature[@name = "prefix+name"]; E_FAIL without a framework prefix.
  HRESULT AppendFeature(std::u16string_view prefix, std::u16string_view name);
  // //psf:Property[@name = "prefix+name"]; without a framework prefix nothing
  // is appended (S_OK), so that a query of nothing else stays empty and fails.
  HRESULT AppendProperty(std::u16string_view prefix, std::u16string_view name);
  // //psf:ScoredProperty[@name = "prefix+name"]; E_FAIL without a framework prefix.
  HRESULT AppendScoredProperty(std::u16string_view prefix, std::u16string_view name);
  // //psf:ParameterInit[@name = "prefix+name"]; like AppendProperty without a framework prefix.
  HRESULT AppendParameterInit(std::u16string_view prefix, std::u16string_view name);
  // The option of the feature selected so far: the union of its Option children
  // and the Value of its ScoredProperty keywords:OptionName. E_FAIL without a
  // framework prefix.
  HRESULT AppendOptionSelector(std::u16string_view keywordsPrefix);

  std::u16string_view Text() const { return text_; }

 private:
  HRESULT AppendNamed(std::u16string_view element, std::u16string_view prefix, std::u16string_view name);

  std::u16string frameworkPrefix_;
  std::u16string text_;
};
