// Markup compatibility for the sequence and document markup: the children
// of an element as a reader that understands only one namespace sees them.
// AlternateContent yields the first Choice whose required namespaces are
// understood, else its Fallback; elements of an Ignorable namespace are
// skipped; any other element of a namespace not understood, and a
// MustUnderstand namespace not understood, are errors.
#pragma once

#include <libxml/tree.h>

#include <functional>
#include <string>
#include <string_view>

namespace kestrel::package {

// Calls visit for each understood child element of parent, in order. Throws
// PackageError naming part.
void ForEachUnderstoodChild(xmlNode* parent, std::string_view understood, const std::string& part,
                            const std::function<void(xmlNode*)>& visit);
// The same for one child element (an AlternateContent may yield several, or none).
void VisitIfUnderstood(xmlNode* child, std::string_view understood, const std::string& part,
                       const std::function<void(xmlNode*)>& visit);

}  // namespace kestrel::package
