// The printer a driver package drives, named by the package's manifest.xml:
//
//   <DriverPackage>
//     <Printer name="Kestrel InkJet MFP" description="printer/kestrel-inkjet-mfp.xml"/>
//   </DriverPackage>
//
// The description path is relative to the package. A job registers the printer
// with the print ticket provider under its name, which the filters receive as
// the property "PrinterName" and open the provider with.
#pragma once

#include <filesystem>
#include <string>

namespace kestrel::host {

struct DriverPrinter {
  std::string name;                      // UTF-8
  std::filesystem::path description;    // the printer description file
};

// Throws HostError naming the manifest and the problem.
DriverPrinter LoadDriverPrinter(const std::filesystem::path& driver_package);

// Makes the printer known to the print ticket provider of this process, with
// the driver's part of its DEVMODEs (KestrelDevModeExtension); throws HostError with the provider's message when the description is refused.
void RegisterDriverPrinter(const DriverPrinter& printer);

}  // namespace kestrel::host
