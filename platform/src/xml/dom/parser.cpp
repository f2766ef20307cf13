#include "parser.h"

#include "platform/safe_xml.h"

namespace xmldom {

xmlDoc* ParseDocument(std::string_view bytes, const char* forcedEncoding) {
  if (bytes.empty() || bytes.size() > kMaxDocumentBytes) return nullptr;
  safexml::ReadRules rules;
  rules.encoding = forcedEncoding;
  rules.namespacesWellFormed = true;
  return safexml::Read(bytes, rules).document.release();
}

}  // namespace xmldom
