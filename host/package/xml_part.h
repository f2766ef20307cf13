// Safe parsing of the XML parts a package reader must understand: no DTD (a
// document type declaration is an error), no entities beyond the predefined
// ones, no network, libxml2's depth bound, and the UTF-8/UTF-16 encodings only.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/safe_xml.h"

namespace kestrel::package {

using XmlDocument = safexml::Document;

// Throws PackageError naming `part` when the bytes are not a well-formed document.
XmlDocument ParseXmlPart(std::string_view bytes, const std::string& part);
// The same checks, with the same messages, without building the document.
void CheckXmlPart(std::string_view bytes, const std::string& part);
// Throws PackageError unless the declared encoding (nullptr when none) is UTF-8 or UTF-16.
void CheckEncoding(const xmlChar* declared, const std::string& part);

// The element children of `node`, as a range for range-for.
class ElementChildren {
 public:
  class iterator {
   public:
    explicit iterator(xmlNode* node) : node_(SkipToElement(node)) {}
    xmlNode* operator*() const { return node_; }
    iterator& operator++() {
      node_ = SkipToElement(node_->next);
      return *this;
    }
    bool operator==(const iterator& other) const { return node_ == other.node_; }

   private:
    static xmlNode* SkipToElement(xmlNode* node) {
      while (node && node->type != XML_ELEMENT_NODE) node = node->next;
      return node;
    }
    xmlNode* node_;
  };
  explicit ElementChildren(xmlNode* parent) : parent_(parent) {}
  iterator begin() const { return iterator(parent_->children); }
  iterator end() const { return iterator(nullptr); }

 private:
  xmlNode* parent_;
};

std::string_view ElementName(const xmlNode* element);
// The element's namespace URI, "" when it has none.
std::string_view ElementNamespace(const xmlNode* element);
bool IsElement(const xmlNode* element, std::string_view name_space, std::string_view name);
using safexml::Attribute;

}  // namespace kestrel::package
