// A filter for the host's end-to-end tests that records the merged ticket of
// every level as the framework's ticket manager sees it, then passes the part
// on. The property "TicketProbeDir" names the folder it writes into:
// job-1.xml, document-N.xml, page-N.xml (N counts from 1 in the job), and
// levels.txt with one line per part: "<level> <N> <1 when it had a ticket of its own>".
#include <fstream>
#include <string>

#include "framework/filter_module.h"
#include "framework/xps_filter_base.h"
#include "platform/utf.h"
#include "platform/variant.h"

namespace {

class TicketProbeFilter final : public XpsFilterBase {
 protected:
  HRESULT LoadUserPrintTicket() override {
    const HRESULT hr = XpsFilterBase::LoadUserPrintTicket();
    if (FAILED(hr)) return hr;
    Variant dir;
    if (FAILED(property_bag()->GetProperty(u"TicketProbeDir", dir.Get())) || dir->vt != VT_BSTR) return E_INVALIDARG;
    dir_ = Utf16ToUtf8(std::u16string_view(dir->bstrVal, SysStringLen(dir->bstrVal))).value_or("");
    return dir_.empty() ? E_INVALIDARG : S_OK;
  }
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override {
    const HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
    if (FAILED(hr)) return hr;
    Record(kPTJobScope, "job", 1);
    return consumer()->SendFixedDocumentSequence(sequence);
  }
  HRESULT ProcessFixedDocument(IFixedDocument* document) override {
    const HRESULT hr = ticket_manager().OnDocument(document);
    if (FAILED(hr)) return hr;
    Record(kPTDocumentScope, "document", documents_seen());
    return consumer()->SendFixedDocument(document);
  }
  HRESULT ProcessFixedPage(IFixedPage* page) override {
    const HRESULT hr = ticket_manager().OnPage(page);
    if (FAILED(hr)) return hr;
    Record(kPTPageScope, "page", pages_seen());
    return consumer()->SendFixedPage(page);
  }

 private:
  void Record(EPrintTicketScope scope, const std::string& level, ULONG number) {
    IXMLDOMDocument2* ticket = nullptr;
    Bstr xml;
    if (FAILED(ticket_manager().GetTicket(scope, &ticket)) || FAILED(ticket->get_xml(xml.Put()))) return;
    const std::string name = level + "-" + std::to_string(number);
    std::ofstream(dir_ + "/" + name + ".xml", std::ios::binary) << Utf16ToUtf8(xml.View()).value_or("");
    std::ofstream(dir_ + "/levels.txt", std::ios::app)
        << level << ' ' << number << ' ' << (ticket_manager().HasPartTicket(scope) ? 1 : 0) << '\n';
  }

  std::string dir_;
};

}  // namespace

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{5A0C7E31-94D2-4B8F-A6E1-2C3D4B5A6F70}"),
    MakeGuid("{5A0C7E32-94D2-4B8F-A6E1-2C3D4B5A6F70}"),
    &CreateFilterObject<TicketProbeFilter>,
};
