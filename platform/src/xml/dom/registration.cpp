// Makes documents available to CoCreateInstance.
#include "document.h"
#include "platform/com.h"

namespace xmldom {

namespace {

HRESULT CreateDocument(REFIID riid, void** ppv) {
  ComPtr<Document> document = Document::Create();
  if (!document) return E_OUTOFMEMORY;
  return document->QueryInterface(riid, ppv);
}

const ClassRegistration registration{CLSID_DOMDocument60, CreateDocument};

}  // namespace

}  // namespace xmldom
