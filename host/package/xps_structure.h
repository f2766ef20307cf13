// Builds the document structure of a package model whose parts and
// relationships are known: start part, sequence, documents, pages, tickets,
// resources, attachments, signatures and the parts of their own.
#pragma once

#include <functional>
#include <string>

#include "host/package/package_model.h"
#include "host/package/xps_package_reader.h"

namespace kestrel::package {

// Reads a part whole (sequence, document and signature markup).
using ReadWholePartFunction = std::function<std::string(const Part&)>;

// Throws PackageError naming the part for what a print path cannot print.
void BuildXpsStructure(Package& package, const ReadWholePartFunction& read, const ReaderLimits& limits);

}  // namespace kestrel::package
