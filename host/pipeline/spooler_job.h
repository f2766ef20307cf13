// The job as the spooler knows it while it runs: listed on its printer with
// its document name, submission time and submitting user, the printer opened
// for the filters ("PrinterHandle") and a token of the submitting user
// ("UserSecurityToken").
#pragma once

#include <string>
#include <string_view>

#include "host/pipeline/property_bag.h"
#include "platform/spooler.h"

namespace kestrel::host {

class SpoolerJobEntry {
 public:
  // submitted is UTC; user empty: the process's own. Throws HostError when
  // the printer cannot be opened.
  SpoolerJobEntry(std::u16string printer, DWORD id, std::u16string_view document, const SYSTEMTIME& submitted,
                  const std::u16string& user = {});
  ~SpoolerJobEntry();
  SpoolerJobEntry(const SpoolerJobEntry&) = delete;
  SpoolerJobEntry& operator=(const SpoolerJobEntry&) = delete;

  void MarkDeleting() const { SetSpoolerJobStatus(printer_, id_, JOB_STATUS_DELETING); }
  // "PrinterHandle" and "UserSecurityToken", pointer-sized (VT_UINT_PTR);
  // valid while this entry lives.
  void AddProperties(PropertyBag& bag) const;

 private:
  const std::u16string printer_;
  const DWORD id_;
  HANDLE handle_ = nullptr;
  HANDLE token_ = nullptr;
};

}  // namespace kestrel::host
