#include "ticket/divide_condition_watch.h"

#include "ticket/hresult_error.h"
#include "ticket/job_info_settings.h"
#include "ticket/print_ticket_dom.h"

namespace {

constexpr INT kPageScope = 0;

bool SameText(const Bstr& a, const Bstr& b) {
  if ((a.Get() == nullptr) != (b.Get() == nullptr)) return false;
  return a.View() == b.View();
}

}  // namespace

HRESULT ObserveDivideCondition(DivideConditionWatch& watch, IXMLDOMDocument2* ticket, INT scope) {
  watch.changed = false;
  if (scope != kPageScope) return S_OK;
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", watch.namespaceUri.View(), ticket);
    JobInfoSettings settings;
    const HRESULT hr = ReadJobInfo(dom, settings);
    if (SUCCEEDED(hr)) {
      watch.changed = watch.seen && !SameText(settings.divideCondition, watch.lastDivideCondition);
      watch.lastDivideCondition = std::move(settings.divideCondition);
    }
    watch.seen = true;
    return hr;
  });
}
