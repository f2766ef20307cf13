// The one error type of package reading and writing. Its message names the
// part concerned first ("/Documents/1/Pages/2.fpage: missing part referenced by
// /Documents/1/FixedDocument.fdoc"), so the host can show it as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrel::package {

class PackageError : public std::runtime_error {
 public:
  // part is the part name, or the package file for errors of the whole package.
  PackageError(const std::string& part, const std::string& problem)
      : std::runtime_error(part + ": " + problem), part_(part) {}
  const std::string& Part() const { return part_; }

 private:
  std::string part_;
};

}  // namespace kestrel::package
