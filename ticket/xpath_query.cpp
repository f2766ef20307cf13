#include "ticket/xpath_query.h"

#include "ticket/hresult_error.h"

XPathQuery::XPathQuery(std::u16string_view frameworkPrefix) : frameworkPrefix_(frameworkPrefix) {}

HRESULT XPathQuery::AppendNamed(std::u16string_view element, std::u16string_view prefix,
                                std::u16string_view name) {
  return CallReturningHresult([&] {
    std::u16string step = u"//";
    step.append(frameworkPrefix_).append(element).append(u"[@name = \"");
    step.append(prefix).append(name).append(u"\"]");
    text_ += step;
    return S_OK;
  });
}

HRESULT XPathQuery::AppendFeature(std::u16string_view prefix, std::u16string_view name) {
  if (frameworkPrefix_.empty()) return E_FAIL;
  return AppendNamed(u"Feature", prefix, name);
}

HRESULT XPathQuery::AppendProperty(std::u16string_view prefix, std::u16string_view name) {
  if (frameworkPrefix_.empty()) return S_OK;
  return AppendNamed(u"Property", prefix, name);
}

HRESULT XPathQuery::AppendScoredProperty(std::u16string_view prefix, std::u16string_view name) {
  if (frameworkPrefix_.empty()) return E_FAIL;
  return AppendNamed(u"ScoredProperty", prefix, name);
}

HRESULT XPathQuery::AppendParameterInit(std::u16string_view prefix, std::u16string_view name) {
  if (frameworkPrefix_.empty()) return S_OK;
  return AppendNamed(u"ParameterInit", prefix, name);
}

HRESULT XPathQuery::AppendOptionSelector(std::u16string_view keywordsPrefix) {
  if (frameworkPrefix_.empty()) return E_FAIL;
  return CallReturningHresult([&] {
    const std::u16string_view framework = frameworkPrefix_;
    std::u16string selector = text_;
    selector.append(u"/").append(framework).append(u"Option | ").append(text_);
    selector.append(u"/").append(framework).append(u"ScoredProperty[@name = \"");
    selector.append(keywordsPrefix).append(u"OptionName\"]/").append(framework).append(u"Value");
    text_ = std::move(selector);
    return S_OK;
  });
}
