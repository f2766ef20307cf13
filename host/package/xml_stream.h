// A part's XML read as a stream with libxml2's reader, under the rules of
// xml_part.h (no DTD, no network, libxml2's depth bound, UTF-8 or UTF-16):
// the root element, then its children one whole subtree at a time. Only the
// child being visited and its ancestors are in memory, so markup of any
// length reads in a small, fixed amount.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

#include "host/package/xps_package_reader.h"

namespace kestrel::package {

class XmlStream {
 public:
  // bytes must outlive the stream.
  static XmlStream FromMemory(std::string_view bytes, const std::string& part);
  static XmlStream FromPart(std::unique_ptr<PartReader> input, const std::string& part);
  ~XmlStream();
  XmlStream(XmlStream&&) noexcept;
  XmlStream& operator=(XmlStream&&) = delete;

  // The root element, its attributes and namespace declarations read but
  // not its children. Call once, first. Throws PackageError naming the part.
  xmlNode* Root();
  // The next element child of the root with its whole subtree; nullptr after
  // the last. Valid until the next call. Throws PackageError naming the part.
  xmlNode* NextChild();

 private:
  struct State;
  explicit XmlStream(std::unique_ptr<State> state);
  int Step(bool skip_subtree);
  [[noreturn]] void Fail();
  std::unique_ptr<State> state_;
};

}  // namespace kestrel::package
