// Namespace bookkeeping when subtrees move: a subtree taken out of the tree
// declares what it uses, and one put into a tree drops declarations that
// repeat one already in scope there.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>

#include "platform/hresult.h"

namespace xmldom {

class Document;

struct QualifiedName {
  std::string prefix;  // empty when there is none
  std::string local;
};

// nullopt unless name is a valid qualified name.
std::optional<QualifiedName> SplitQualifiedName(const std::string& name);

// The namespace field of an element or attribute.
xmlNs*& NamespaceOf(xmlNode* node);
// prefix:local of an element or attribute.
std::string QualifiedNameOf(xmlNode* node);

// After top was linked under its new parent.
void DropRepeatedDeclarations(xmlNode* top);
// After top was unlinked: every namespace used inside is declared on top
// (an attribute gets one of the document's floating namespaces).
HRESULT MakeSelfContained(Document& owner, xmlNode* top);

}  // namespace xmldom
