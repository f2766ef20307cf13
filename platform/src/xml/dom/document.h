// The document object: owns the libxml2 tree, keeps track of which nodes have
// node objects, and frees a subtree taken out of the tree once nobody holds it.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "node_handle.h"

namespace xmldom {

class DocumentStream;

struct NamespaceBinding {
  std::string prefix;
  std::string uri;
};

class Document final : public NodeMethods<IXMLDOMDocument2> {
 public:
  // An empty document; NULL when memory runs out.
  static ComPtr<Document> Create();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Also answers IStream and ISequentialStream with a stream of its serialised form.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;

  // The document node, after taking in what was written into its stream.
  xmlNode* Target() override;
  Document& Owner() override { return *this; }

  HRESULT get_documentElement(IXMLDOMElement** root) override;
  HRESULT createNode(VARIANT type, BSTR name, BSTR namespaceURI, IXMLDOMNode** node) override;
  HRESULT load(VARIANT source, VARIANT_BOOL* success) override;
  HRESULT loadXML(BSTR xml, VARIANT_BOOL* success) override;
  HRESULT setProperty(BSTR name, VARIANT value) override;

  // The current tree, as it is.
  xmlDoc* Tree() const { return tree_; }
  const std::vector<NamespaceBinding>& SelectionNamespaces() const { return selection_namespaces_; }

  // The node object of a node (the document itself for a document node).
  HRESULT Wrap(xmlNode* node, IXMLDOMNode** object);
  // Bookkeeping of the node objects, called by them.
  void NodeObjectCreated(xmlNode* node, INodeHandle* object);
  void NodeObjectGone(xmlNode* node);

  // Takes a node out of its tree, keeping the namespaces its subtree uses.
  HRESULT Detach(xmlNode* node);
  // Detaches a node and frees it unless a node object holds part of it.
  HRESULT Discard(xmlNode* node);
  // A namespace owned by the document, for attributes outside any element.
  xmlNs* FloatingNamespace(const xmlChar* prefix, const xmlChar* href);

  // Called by the document's streams.
  void StreamWritten(DocumentStream* stream);
  void StreamGone(DocumentStream* stream);

 private:
  explicit Document(xmlDoc* tree) : tree_(tree) {}
  ~Document() override;

  // Makes tree the document's content (NULL: an empty document).
  HRESULT Adopt(xmlDoc* tree);
  HRESULT LoadBytes(std::string_view bytes, const char* forcedEncoding, VARIANT_BOOL* success);
  void TakeInStreamWrites();
  void FreeIfUnheld(xmlNode* top);

  xmlDoc* tree_;
  // Trees replaced by a load stay until their last node object goes.
  std::unordered_map<xmlDoc*, std::size_t> node_objects_per_tree_;
  std::vector<xmlNs*> floating_namespaces_;
  std::vector<NamespaceBinding> selection_namespaces_;
  DocumentStream* written_stream_ = nullptr;
};

}  // namespace xmldom
