#include "host/pipeline/job_properties.h"

#include "host/pipeline/host_error.h"
#include "platform/part_content.h"
#include "platform/utf.h"

namespace kestrel::host {
namespace {

// Answers the job's asynchronous notifications (IPrintAsyncNotify), nothing else.
class PrintClassFactory final : public ComObject<IPrintClassObjectFactory> {
 public:
  explicit PrintClassFactory(ComPtr<IPrintAsyncNotify> notifications) : notifications_(std::move(notifications)) {}
  HRESULT GetPrintClassObject(LPCWSTR /*printerName*/, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IPrintAsyncNotify || !notifications_) return E_NOINTERFACE;
    return notifications_->QueryInterface(riid, object);
  }

 private:
  const ComPtr<IPrintAsyncNotify> notifications_;
};

// Every GetStream reads the ticket from its first byte.
class TicketStreamFactory final : public ComObject<IPrintReadStreamFactory> {
 public:
  explicit TicketStreamFactory(std::vector<BYTE> ticket) : ticket_(std::move(ticket)) {}
  HRESULT GetStream(IPrintReadStream** stream) override {
    if (!stream) return E_POINTER;
    *stream = nullptr;
    try {
      return CreateReadStreamOnBytes(ticket_, stream);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  const std::vector<BYTE> ticket_;
};

Bstr WideBstr(const std::string& text) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(text);
  if (!wide) throw HostError("\"" + text + "\" is not valid UTF-8", E_INVALIDARG);
  return Bstr(*wide);
}

void Add(PropertyBag& bag, const std::string& name, const Variant& value) {
  if (FAILED(bag.AddProperty(WideBstr(name).Get(), value.Get())))
    throw HostError("property " + name + " cannot be set", E_OUTOFMEMORY);
}

Variant UnknownVariant(IUnknown* object) {
  if (!object) throw HostError("out of memory", E_OUTOFMEMORY);
  Variant value;
  value->vt = VT_UNKNOWN;
  value->punkVal = object;
  object->AddRef();
  return value;
}

}  // namespace

Variant ToVariant(const PropertyValue& value) {
  Variant variant;
  if (const auto* i = std::get_if<std::int32_t>(&value)) {
    variant->vt = VT_I4;
    variant->lVal = *i;
  } else if (const auto* u = std::get_if<std::uint32_t>(&value)) {
    variant->vt = VT_UI4;
    variant->ulVal = *u;
  } else if (const auto* b = std::get_if<bool>(&value)) {
    variant->vt = VT_BOOL;
    variant->boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    variant->vt = VT_BSTR;
    variant->bstrVal = WideBstr(std::get<std::string>(value)).Detach();
  }
  return variant;
}

ComPtr<PropertyBag> MakeJobProperties(const JobIdentity& identity, std::vector<BYTE> user_ticket,
                                      const std::vector<ConfiguredProperty>& configured,
                                      ComPtr<IPrintAsyncNotify> notifications) {
  ComPtr<PropertyBag> bag = MakeComObject<PropertyBag>();
  if (!bag) throw HostError("out of memory", E_OUTOFMEMORY);
  Add(*bag, "PrintClassFactory",
      UnknownVariant(MakeComObject<PrintClassFactory, IUnknown>(std::move(notifications)).Get()));
  Add(*bag, "PrinterName", ToVariant(identity.printer_name));
  Add(*bag, "PrintJobId", ToVariant(identity.job_id));
  Add(*bag, "PerUserPrintTicket",
      UnknownVariant(MakeComObject<TicketStreamFactory, IUnknown>(std::move(user_ticket)).Get()));
  for (const ConfiguredProperty& property : configured) Add(*bag, property.name, ToVariant(property.value));
  return bag;
}

}  // namespace kestrel::host
