#include "host/package/document_markup.h"

#include "host/package/markup_compatibility.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/xml_part.h"

namespace kestrel::package {

void CheckRoot(const xmlNode* root, const std::string& part, std::string_view name, std::string_view name_space) {
  if (ElementName(root) != name || ElementNamespace(root) != name_space) {
    throw PackageError(part, "root element " + std::string(ElementName(root)) + " of namespace \"" +
                                 std::string(ElementNamespace(root)) + "\", expected " + std::string(name) + " of \"" +
                                 std::string(name_space) + "\"");
  }
}

std::string ResolveSource(const xmlNode* element, const std::string& referrer) {
  auto source = Attribute(element, "Source");
  if (!source) throw PackageError(referrer, std::string(ElementName(element)) + " without Source");
  auto resolved = ResolvePartReference(referrer, *source);
  if (!resolved) throw PackageError(referrer, "Source \"" + *source + "\" is no part name");
  return *resolved;
}

std::vector<std::pair<std::string, std::string>> AttributesExceptSource(const xmlNode* element) {
  std::vector<std::pair<std::string, std::string>> attributes;
  for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
    const std::string name = attribute->ns && attribute->ns->prefix
                                 ? std::string(reinterpret_cast<const char*>(attribute->ns->prefix)) + ":" +
                                       reinterpret_cast<const char*>(attribute->name)
                                 : reinterpret_cast<const char*>(attribute->name);
    if (name == "Source") continue;
    const safexml::String value(xmlNodeListGetString(element->doc, attribute->children, 1));
    attributes.emplace_back(name, value ? reinterpret_cast<const char*>(value.get()) : "");
  }
  return attributes;
}

std::vector<std::string> LinkTargets(xmlNode* content, const std::string& part, std::string_view name_space) {
  std::vector<std::string> names;
  ForEachUnderstoodChild(content, name_space, part, [&](xmlNode* child) {
    if (ElementName(child) != "PageContent.LinkTargets") {
      throw PackageError(part, "unexpected element " + std::string(ElementName(child)) + " in PageContent");
    }
    ForEachUnderstoodChild(child, name_space, part, [&](xmlNode* target) {
      auto name = Attribute(target, "Name");
      if (ElementName(target) != "LinkTarget" || !name) {
        throw PackageError(part, "PageContent.LinkTargets holds something other than a named LinkTarget");
      }
      names.push_back(*name);
    });
  });
  return names;
}

PageContentReader::PageContentReader(XmlStream markup, std::string part, std::string_view name_space)
    : markup_(std::move(markup)), part_(std::move(part)), name_space_(name_space) {
  CheckRoot(markup_.Root(), part_, "FixedDocument", name_space_);
}

xmlNode* PageContentReader::Next() {
  while (ready_.empty()) {
    xmlNode* child = markup_.NextChild();
    if (!child) return nullptr;
    VisitIfUnderstood(child, name_space_, part_, [this](xmlNode* content) { ready_.push_back(content); });
  }
  xmlNode* content = ready_.front();
  ready_.pop_front();
  if (ElementName(content) != "PageContent") {
    throw PackageError(part_, "unexpected element " + std::string(ElementName(content)));
  }
  return content;
}

}  // namespace kestrel::package
