// Visits a subtree without recursion (trees built through the DOM have no
// depth limit): every node in document order, each element's attributes
// right after the element. The visitor returns false to stop.
#pragma once

#include <libxml/tree.h>

namespace xmldom {

template <typename Visitor>
bool VisitSubtree(xmlNode* top, Visitor&& visit) {
  if (top->type == XML_ATTRIBUTE_NODE) return visit(top);
  xmlNode* node = top;
  for (;;) {
    if (!visit(node)) return false;
    if (node->type == XML_ELEMENT_NODE) {
      for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next)
        if (!visit(reinterpret_cast<xmlNode*>(attribute))) return false;
    }
    // Entity references would lead into shared declarations; parsing keeps none.
    if (node->children && node->type != XML_ENTITY_REF_NODE) {
      node = node->children;
      continue;
    }
    while (node != top && !node->next) node = node->parent;
    if (node == top) return true;
    node = node->next;
  }
}

}  // namespace xmldom
