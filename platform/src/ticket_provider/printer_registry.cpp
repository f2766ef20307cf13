#include "printer_registry.h"

#include <mutex>
#include <unordered_map>

#include "platform/utf.h"
#include "ticket_error.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::u16string, RegisteredPrinter> printers;
  // Handles are looked up before use, so a stale or made-up handle is refused, not followed.
  std::unordered_map<HPTPROVIDER, std::shared_ptr<PrintTicketProvider>> handles;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterDescription(const std::u16string& printer_name, RegisteredPrinter printer) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.printers[printer_name] = std::move(printer);
}

bool UnregisterDescription(const std::u16string& printer_name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.printers.erase(printer_name) > 0;
}

HPTPROVIDER OpenProviderHandle(const std::u16string& printer_name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto printer = r.printers.find(printer_name);
  if (printer == r.printers.end())
    throw TicketError{HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME),
                      "no printer named '" + Utf16ToUtf8(printer_name).value_or("?") + "' is registered"};
  auto provider = std::make_shared<PrintTicketProvider>(
      PrintTicketProvider{printer_name, printer->second.description, printer->second.devmode_extension});
  HPTPROVIDER handle = provider.get();
  r.handles.emplace(handle, std::move(provider));
  return handle;
}

bool CloseProviderHandle(HPTPROVIDER handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.handles.erase(handle) > 0;
}

std::shared_ptr<const PrintTicketProvider> FindProvider(HPTPROVIDER handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.handles.find(handle);
  if (it == r.handles.end()) throw TicketError{E_HANDLE, "not an open print ticket provider"};
  return it->second;
}
