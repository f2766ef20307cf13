// The printers this process knows, and the provider handles open on them.
#pragma once

#include <memory>
#include <string>

#include "platform/print_ticket_provider.h"
#include "printer_description.h"

// What a printer was registered with.
struct RegisteredPrinter {
  std::shared_ptr<const PrinterDescription> description;
  DevModeExtension devmode_extension;
};

// An open provider: the printer as it was registered when the handle was opened.
struct PrintTicketProvider {
  std::u16string printer_name;
  std::shared_ptr<const PrinterDescription> description;
  DevModeExtension devmode_extension;
};

void RegisterDescription(const std::u16string& printer_name, RegisteredPrinter printer);
bool UnregisterDescription(const std::u16string& printer_name);

// Throws TicketError{HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)} for an unknown printer.
HPTPROVIDER OpenProviderHandle(const std::u16string& printer_name);
bool CloseProviderHandle(HPTPROVIDER handle);
// The state behind an open handle; throws TicketError{E_HANDLE} for any other value.
std::shared_ptr<const PrintTicketProvider> FindProvider(HPTPROVIDER handle);
