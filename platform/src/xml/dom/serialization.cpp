#include "serialization.h"

#include <libxml/xmlsave.h>

#include <memory>

namespace xmldom {

namespace {

struct BufferFree {
  void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

template <typename Save>
HRESULT SaveToString(Save&& save, std::string* markup) {
  std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
  if (!buffer) return E_OUTOFMEMORY;
  xmlSaveCtxtPtr context = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL);
  if (!context) return E_OUTOFMEMORY;
  const long saved = save(context);
  if (xmlSaveClose(context) < 0 || saved < 0) return E_FAIL;
  markup->assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                 static_cast<std::size_t>(xmlBufferLength(buffer.get())));
  return S_OK;
}

}  // namespace

bool MarkUtf8(xmlDoc* doc) {
  xmlChar* name = xmlStrdup(BAD_CAST "UTF-8");
  if (!name) return false;
  xmlFree(const_cast<xmlChar*>(doc->encoding));
  doc->encoding = name;
  return true;
}

HRESULT SerializeDocument(xmlDoc* doc, Declaration declaration, std::string* markup) {
  markup->clear();
  if (!doc->children) return S_OK;
  std::string content;
  const HRESULT hr = SaveToString([&](xmlSaveCtxtPtr context) { return xmlSaveDoc(context, doc); }, &content);
  if (FAILED(hr)) return hr;
  *markup = declaration == Declaration::kWithEncoding ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                      : "<?xml version=\"1.0\"?>\n";
  *markup += content;
  return S_OK;
}

HRESULT SerializeNode(xmlNode* node, std::string* markup) {
  if (node->type == XML_DOCUMENT_NODE)
    return SerializeDocument(reinterpret_cast<xmlDoc*>(node), Declaration::kWithoutEncoding, markup);
  const HRESULT hr = SaveToString([&](xmlSaveCtxtPtr context) { return xmlSaveTree(context, node); }, markup);
  // libxml2 writes an attribute as it would stand in a start tag, after a blank.
  if (SUCCEEDED(hr) && node->type == XML_ATTRIBUTE_NODE && !markup->empty() && markup->front() == ' ')
    markup->erase(0, 1);
  return hr;
}

}  // namespace xmldom
