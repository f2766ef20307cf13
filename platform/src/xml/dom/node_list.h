// The result of selectNodes: the nodes as they were selected, held by the list.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/com_object.h"
#include "platform/xml_dom.h"

namespace xmldom {

class NodeList final : public ComObject<IXMLDOMNodeList> {
 public:
  explicit NodeList(std::vector<ComPtr<IXMLDOMNode>>&& nodes) : nodes_(std::move(nodes)) {}

  HRESULT get_length(LONG* length) override;
  HRESULT get_item(LONG index, IXMLDOMNode** item) override;
  HRESULT nextNode(IXMLDOMNode** next) override;
  HRESULT reset() override;

 private:
  std::vector<ComPtr<IXMLDOMNode>> nodes_;
  std::size_t cursor_ = 0;
};

}  // namespace xmldom
