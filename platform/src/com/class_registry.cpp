#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/com.h"

namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const {
    return std::tie(a.Data1, a.Data2, a.Data3) < std::tie(b.Data1, b.Data2, b.Data3) ||
           (std::tie(a.Data1, a.Data2, a.Data3) == std::tie(b.Data1, b.Data2, b.Data3) &&
            std::lexicographical_compare(a.Data4, a.Data4 + 8, b.Data4, b.Data4 + 8));
  }
};

struct Registry {
  std::mutex mutex;
  std::map<CLSID, ClassCreator, GuidLess> classes;
};

// Built on first use, so registrations from static initialisers are safe.
Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: classes may unregister at exit
  return *registry;
}

}  // namespace

void RegisterClassCreator(REFCLSID clsid, ClassCreator creator) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.classes[clsid] = std::move(creator);
}

void UnregisterClassCreator(REFCLSID clsid) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.classes.erase(clsid);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  ClassCreator creator;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(clsid);
    if (it == r.classes.end()) return REGDB_E_CLASSNOTREG;
    creator = it->second;
  }
  try {
    return creator(riid, ppv);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
