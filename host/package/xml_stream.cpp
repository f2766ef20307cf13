#include "host/package/xml_stream.h"

#include <libxml/xmlreader.h>

#include <exception>

#include "host/package/package_error.h"
#include "host/package/xml_part.h"
#include "platform/checked_int.h"

namespace kestrel::package {
struct XmlStream::State {
  std::string part;
  std::unique_ptr<PartReader> input;
  std::exception_ptr input_failure;
  std::string last_error;
  int last_error_line = 0;
  xmlTextReaderPtr reader = nullptr;
  bool root_empty = false;
  bool in_child = false;  // the reader stands on a child returned by NextChild
  bool done = false;

  ~State() {
    if (reader) xmlFreeTextReader(reader);
  }

  static int Read(void* context, char* buffer, int size) {
    auto* state = static_cast<State*>(context);
    try {
      // No exception may cross libxml2; it is rethrown once the reader reports the failure.
      return static_cast<int>(state->input->Read(buffer, static_cast<std::size_t>(size)));  // at most size
    } catch (...) {
      state->input_failure = std::current_exception();
      return -1;
    }
  }
  static int Close(void*) { return 0; }
  static void KeepError(void* context, xmlErrorPtr error) {
    auto* state = static_cast<State*>(context);
    state->last_error = error && error->message ? error->message : "";
    state->last_error_line = error ? error->line : 0;
  }
};

XmlStream::XmlStream(std::unique_ptr<State> state) : state_(std::move(state)) {
  if (!state_->reader) throw PackageError(state_->part, "out of memory for the XML reader");
  xmlTextReaderSetStructuredErrorHandler(state_->reader, State::KeepError, state_.get());
}

XmlStream::~XmlStream() = default;
XmlStream::XmlStream(XmlStream&&) noexcept = default;

XmlStream XmlStream::FromMemory(std::string_view bytes, const std::string& part) {
  const std::optional<int> length = TryIntCast<int>(bytes.size());
  if (!length) throw PackageError(part, "XML part too large");
  auto state = std::make_unique<State>();
  state->part = part;
  state->reader =
      xmlReaderForMemory(bytes.data(), *length, part.c_str(), nullptr, safexml::kParseOptions);
  return XmlStream(std::move(state));
}

XmlStream XmlStream::FromPart(std::unique_ptr<PartReader> input, const std::string& part) {
  auto state = std::make_unique<State>();
  state->part = part;
  state->input = std::move(input);
  state->reader = xmlReaderForIO(State::Read, State::Close, state.get(), part.c_str(), nullptr, safexml::kParseOptions);
  return XmlStream(std::move(state));
}

void XmlStream::Fail() {
  if (state_->input_failure) std::rethrow_exception(state_->input_failure);
  std::string detail = state_->last_error.empty() ? "unreadable XML" : state_->last_error;
  if (detail.back() == '\n') detail.pop_back();
  throw PackageError(state_->part, "malformed XML (line " + std::to_string(state_->last_error_line) + "): " + detail);
}

int XmlStream::Step(bool skip_subtree) {
  const int result = skip_subtree ? xmlTextReaderNext(state_->reader) : xmlTextReaderRead(state_->reader);
  if (result < 0) Fail();
  return result;
}

xmlNode* XmlStream::Root() {
  for (;;) {
    if (Step(false) == 0) throw PackageError(state_->part, "XML without a root element");
    const int type = xmlTextReaderNodeType(state_->reader);
    if (type == XML_READER_TYPE_DOCUMENT_TYPE) throw PackageError(state_->part, "XML with a document type declaration");
    if (type == XML_READER_TYPE_ELEMENT) break;
  }
  CheckEncoding(xmlTextReaderConstEncoding(state_->reader), state_->part);
  state_->root_empty = xmlTextReaderIsEmptyElement(state_->reader) == 1;
  xmlNode* root = xmlTextReaderCurrentNode(state_->reader);
  if (!root) Fail();
  return root;
}

xmlNode* XmlStream::NextChild() {
  if (state_->root_empty) state_->done = true;
  while (!state_->done) {
    // Past a child returned before: its subtree is skipped (and freed by the reader).
    const bool skip = state_->in_child;
    state_->in_child = false;
    if (Step(skip) == 0 || xmlTextReaderDepth(state_->reader) == 0) {
      state_->done = true;
      break;
    }
    if (xmlTextReaderDepth(state_->reader) != 1 || xmlTextReaderNodeType(state_->reader) != XML_READER_TYPE_ELEMENT) {
      continue;
    }
    xmlNode* child = xmlTextReaderExpand(state_->reader);
    if (!child) Fail();
    state_->in_child = true;
    return child;
  }
  return nullptr;
}

}  // namespace kestrel::package
