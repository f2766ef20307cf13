// What the sequence and document markup say, element by element: the root
// each must have, the Source of a DocumentReference or PageContent, the
// attributes kept with it, and a fixed document's PageContent elements read
// one at a time from a stream (markup compatibility applied), so that a
// document of any number of pages reads in a fixed amount of memory.
#pragma once

#include <libxml/tree.h>

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/package/xml_stream.h"

namespace kestrel::package {

// Throws PackageError unless root is `name` of the namespace.
void CheckRoot(const xmlNode* root, const std::string& part, std::string_view name, std::string_view name_space);
// The part name an element's Source stands for; throws PackageError naming the referrer.
std::string ResolveSource(const xmlNode* element, const std::string& referrer);
// An element's attributes as written, Source left out.
std::vector<std::pair<std::string, std::string>> AttributesExceptSource(const xmlNode* element);
// The names of a PageContent's LinkTargets; throws PackageError for anything else in it.
std::vector<std::string> LinkTargets(xmlNode* content, const std::string& part, std::string_view name_space);

class PageContentReader {
 public:
  // Checks the root element (FixedDocument of name_space).
  PageContentReader(XmlStream markup, std::string part, std::string_view name_space);
  // The next PageContent element, nullptr after the last; valid until the next
  // call. Throws PackageError for what a FixedDocument may not hold.
  xmlNode* Next();

 private:
  XmlStream markup_;
  const std::string part_;
  const std::string_view name_space_;
  std::deque<xmlNode*> ready_;  // what the child being visited yields
};

}  // namespace kestrel::package
