#include "host/pipeline/driver_printer.h"

#include <fstream>
#include <optional>

#include "driver/devmode/kestrel_devmode_extension.h"
#include "host/package/package_error.h"
#include "host/package/xml_part.h"
#include "host/pipeline/host_error.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"

namespace kestrel::host {
namespace {

// A manifest names a printer or two; anything far larger is not one.
constexpr std::streamsize kMaxManifestBytes = 1 << 16;

std::string ReadManifest(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    throw HostError(file.string() + ": cannot open the driver package's manifest",
                    HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  std::string text(static_cast<std::size_t>(kMaxManifestBytes) + 1, '\0');
  in.read(text.data(), kMaxManifestBytes + 1);
  if (in.gcount() > kMaxManifestBytes) throw HostError(file.string() + ": too large to be a manifest", E_INVALIDARG);
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

std::string RequiredAttribute(const xmlNode* element, const char* name, const std::string& origin) {
  std::optional<std::string> value = package::Attribute(element, name);
  if (!value || value->empty())
    throw HostError(origin + ":" + std::to_string(xmlGetLineNo(element)) + ": <Printer> needs the attribute " + name,
                    E_INVALIDARG);
  return *value;
}

}  // namespace

DriverPrinter LoadDriverPrinter(const std::filesystem::path& driver_package) {
  const std::filesystem::path file = driver_package / "manifest.xml";
  const std::string origin = file.string();
  package::XmlDocument document;
  try {
    document = package::ParseXmlPart(ReadManifest(file), origin);
  } catch (const package::PackageError& error) {
    throw HostError(error.what(), E_INVALIDARG);
  }
  xmlNode* root = xmlDocGetRootElement(document.get());
  if (!root || package::ElementName(root) != "DriverPackage")
    throw HostError(origin + ": the root element must be <DriverPackage>", E_INVALIDARG);
  const xmlNode* printer = nullptr;
  for (xmlNode* child : package::ElementChildren(root)) {
    if (package::ElementName(child) != "Printer") continue;
    if (printer) throw HostError(origin + ": the package drives one printer; it names two", E_INVALIDARG);
    printer = child;
  }
  if (!printer) throw HostError(origin + ": no <Printer> named", E_INVALIDARG);
  DriverPrinter result;
  result.name = RequiredAttribute(printer, "name", origin);
  result.description = driver_package / RequiredAttribute(printer, "description", origin);
  return result;
}

void RegisterDriverPrinter(const DriverPrinter& printer) {
  const std::optional<std::u16string> name = Utf8ToUtf16(printer.name);
  if (!name) throw HostError("printer name \"" + printer.name + "\" is not UTF-8", E_INVALIDARG);
  Bstr message;
  const HRESULT hr =
      RegisterPrinter(name->c_str(), printer.description.c_str(), message.Put(), KestrelDevModeExtension());
  if (FAILED(hr)) {
    const std::string why = message.Get() ? Utf16ToUtf8(message.View()).value_or("") : HresultName(hr);
    throw HostError(printer.description.string() + ": the printer description of " + printer.name +
                        " is refused: " + why,
                    hr);
  }
}

}  // namespace kestrel::host
