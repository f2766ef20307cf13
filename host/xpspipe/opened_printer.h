// The print ticket provider opened for the printer of a driver package,
// closed at the end.
#pragma once

#include <filesystem>
#include <string>

#include "host/pipeline/driver_printer.h"
#include "platform/print_ticket_provider.h"
#include "platform/xml_dom.h"

namespace kestrel::xpspipe {

class OpenedPrinter {
 public:
  // Throws HostError.
  explicit OpenedPrinter(const std::filesystem::path& driver);
  ~OpenedPrinter();
  OpenedPrinter(const OpenedPrinter&) = delete;
  OpenedPrinter& operator=(const OpenedPrinter&) = delete;

  HPTPROVIDER Provider() const { return provider_; }

 private:
  host::DriverPrinter printer_;
  HPTPROVIDER provider_ = nullptr;
};

// A document of the provider's (a ticket, capabilities) in the DOM; throws
// HostError naming what for text that is not XML.
ComPtr<IXMLDOMDocument2> ParseXml(const std::string& xml, const std::string& what);

}  // namespace kestrel::xpspipe
