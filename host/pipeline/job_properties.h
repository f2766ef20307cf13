// The property bag of a job: what the pipeline itself supplies
// ("PrintClassFactory", "PrinterName", "PrintJobId", "PerUserPrintTicket")
// and the properties of the pipeline configuration.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/pipeline/pipeline_config.h"
#include "host/pipeline/property_bag.h"
#include "platform/async_notify.h"
#include "platform/system_time.h"

namespace kestrel::host {

struct JobIdentity {
  std::string printer_name = "Kestrel Reference Printer";
  std::uint32_t job_id = 1;
  std::optional<std::string> document_name;  // the input's file name when absent
  std::string user_name;                     // who submitted the job; empty: not known
  std::optional<SYSTEMTIME> submitted;  // UTC; the job's start when absent
};

// user_ticket: the bytes of the user's default print ticket; notifications:
// what the print class factory answers for IPrintAsyncNotify (none when
// empty). Throws HostError.
ComPtr<PropertyBag> MakeJobProperties(const JobIdentity& identity, std::vector<BYTE> user_ticket,
                                      const std::vector<ConfiguredProperty>& configured,
                                      ComPtr<IPrintAsyncNotify> notifications = {});

// A configured value as the VARIANT filters read (VT_I4, VT_UI4, VT_BOOL, VT_BSTR).
Variant ToVariant(const PropertyValue& value);

}  // namespace kestrel::host
