#include "host/pipeline/spooler_job.h"

#include "host/pipeline/host_error.h"
#include "platform/last_error.h"
#include "platform/user_identity.h"
#include "platform/variant.h"

namespace kestrel::host {
namespace {

void AddHandle(PropertyBag& bag, LPCWSTR name, HANDLE handle) {
  Variant value;
  value->vt = VT_UINT_PTR;
  value->uintptrVal = reinterpret_cast<UINT_PTR>(handle);
  if (FAILED(bag.AddProperty(name, value.Get()))) throw HostError("out of memory", E_OUTOFMEMORY);
}

}  // namespace

SpoolerJobEntry::SpoolerJobEntry(std::u16string printer, DWORD id, std::u16string_view document,
                                 const SYSTEMTIME& submitted, const std::u16string& user)
    : printer_(std::move(printer)), id_(id) {
  AddSpoolerJob(printer_, id_, document, submitted, user);
  if (!OpenPrinterW(printer_.c_str(), &handle_, nullptr)) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    RemoveSpoolerJob(printer_, id_);
    throw HostError("the spooler does not open the job's printer: " + HresultName(hr), hr);
  }
  // Without a token (a user this system does not know) the filters go
  // without the user's name; the job still prints.
  if (!LogonUserW(user.empty() ? nullptr : user.c_str(), &token_)) token_ = nullptr;
}

SpoolerJobEntry::~SpoolerJobEntry() {
  if (token_) CloseUserToken(token_);
  ClosePrinter(handle_);
  RemoveSpoolerJob(printer_, id_);
}

void SpoolerJobEntry::AddProperties(PropertyBag& bag) const {
  AddHandle(bag, u"PrinterHandle", handle_);
  if (token_) AddHandle(bag, u"UserSecurityToken", token_);
}

}  // namespace kestrel::host
