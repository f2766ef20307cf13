// The document's life: creation, the tree it holds and the trees it replaced.
#include "document.h"

#include <libxml/parser.h>

#include "document_stream.h"
#include "serialization.h"

namespace xmldom {

ComPtr<Document> Document::Create() {
  xmlInitParser();
  xmlDoc* tree = xmlNewDoc(BAD_CAST "1.0");
  if (!tree) return nullptr;
  if (!MarkUtf8(tree)) {
    xmlFreeDoc(tree);
    return nullptr;
  }
  Document* document = new (std::nothrow) Document(tree);
  if (!document) xmlFreeDoc(tree);
  return ComPtr<Document>::Attach(document);
}

// No node object or stream is left: each holds the document.
Document::~Document() {
  xmlFreeDoc(tree_);
  for (xmlNs* ns : floating_namespaces_) xmlFreeNs(ns);
}

HRESULT Document::QueryInterface(REFIID riid, void** ppv) {
  if (riid != IID_IStream && riid != IID_ISequentialStream) return NodeMethods::QueryInterface(riid, ppv);
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return Guard([&] {
    TakeInStreamWrites();
    ComPtr<IStream> stream;
    const HRESULT hr = DocumentStream::Create(*this, stream.Put());
    if (FAILED(hr)) return hr;
    return stream->QueryInterface(riid, ppv);
  });
}

xmlNode* Document::Target() {
  TakeInStreamWrites();
  return reinterpret_cast<xmlNode*>(tree_);
}

HRESULT Document::get_documentElement(IXMLDOMElement** root) {
  if (!root) return E_POINTER;
  *root = nullptr;
  return Guard([&] {
    TakeInStreamWrites();
    xmlNode* element = xmlDocGetRootElement(tree_);
    if (!element) return S_FALSE;
    ComPtr<IXMLDOMNode> node;
    const HRESULT hr = Wrap(element, node.Put());
    if (FAILED(hr)) return hr;
    return node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(root));
  });
}

HRESULT Document::Adopt(xmlDoc* tree) {
  if (!tree) tree = xmlNewDoc(BAD_CAST "1.0");
  if (!tree) return E_OUTOFMEMORY;
  if (!MarkUtf8(tree)) {
    xmlFreeDoc(tree);
    return E_OUTOFMEMORY;
  }
  if (!node_objects_per_tree_.count(tree_)) xmlFreeDoc(tree_);
  tree_ = tree;
  // What was written into a stream before is superseded.
  if (written_stream_) written_stream_->MarkTakenIn();
  written_stream_ = nullptr;
  return S_OK;
}

}  // namespace xmldom
