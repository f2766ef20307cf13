#include "host/print_ui/print_ui_request.h"

#include <cstring>

#include "host/pipeline/host_error.h"
#include "platform/async_notify.h"
#include "platform/safe_xml.h"
#include "platform/utf.h"

namespace kestrel::print_ui {
namespace {

using host::HostError;

bool Is(const xmlNode* node, const char* name, const std::string& ns) {
  return node && node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0 &&
         node->ns && ns == reinterpret_cast<const char*>(node->ns->href);
}

const xmlNode* Child(const xmlNode* parent, const char* name, const std::string& ns) {
  for (const xmlNode* child = parent->children; child; child = child->next)
    if (Is(child, name, ns)) return child;
  throw HostError(std::string("the print UI request has no ") + name + " element", E_INVALIDARG);
}

std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text).value_or(u""); }

}  // namespace

PrintUiRequest ParsePrintUiRequest(std::u16string_view text) {
  const std::optional<std::string> bytes = Utf16ToUtf8(text);
  if (!bytes) throw HostError("the print UI request is not valid UTF-16", E_INVALIDARG);
  const safexml::ReadResult read = safexml::Read(*bytes, {.namespacesWellFormed = true});
  if (read.refusal == safexml::Refusal::kDocumentType)
    throw HostError("the print UI request holds a document type declaration, which is refused", E_XML_PARSE);
  if (!read.document)
    throw HostError("the print UI request is not well-formed XML" +
                        (read.message.empty() ? std::string() : ": " + read.message),
                    E_XML_PARSE);
  const std::string ns = Utf16ToUtf8(kAsyncPrintUiRequestNamespace).value();
  const xmlNode* root = xmlDocGetRootElement(read.document.get());
  if (!Is(root, "asyncPrintUIRequest", ns))
    throw HostError("the print UI request's root is not asyncPrintUIRequest in " + ns, E_INVALIDARG);
  const xmlNode* custom = Child(Child(Child(root, "v1", ns), "requestOpen", ns), "customUI", ns);
  const std::optional<std::string> dll = safexml::Attribute(custom, "dll");
  const std::optional<std::string> entrypoint = safexml::Attribute(custom, "entrypoint");
  if (!dll || !entrypoint) throw HostError("the print UI request names no library or entry point", E_INVALIDARG);
  const safexml::String content(xmlNodeGetContent(custom));
  const std::string argument = content ? reinterpret_cast<const char*>(content.get()) : "";
  return {Wide(*dll), Wide(*entrypoint), Wide(argument)};
}

}  // namespace kestrel::print_ui
