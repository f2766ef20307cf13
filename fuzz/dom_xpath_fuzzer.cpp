// The DOM with XPath and edits, as the ticket code uses it. Input: the
// SelectionNamespaces value up to a newline, an operation count byte, then per
// operation a code byte, an XPath expression and a text argument (each up to a
// newline), then the document. Whatever the edits did, a document that still has
// its root must serialise to markup that loads again.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "platform/variant.h"
#include "platform/xml_dom.h"

namespace {

using kestrel::fuzz::FuzzInput;

constexpr int kMaxOperations = 16;

// Namespaces new nodes are made in: those the ticket and page code use, and none.
constexpr const char* kNamespaces[] = {
    "", "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework",
    "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords",
    "http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords",
    "http://schemas.microsoft.com/xps/2005/06"};

Bstr Text(std::string_view utf8) { return Bstr(Utf8ToUtf16(utf8).value_or(u"")); }

Variant TextVariant(std::string_view utf8) {
  Variant v;
  v->vt = VT_BSTR;
  v->bstrVal = Text(utf8).Detach();
  return v;
}

ComPtr<IXMLDOMDocument2> NewDocument() {
  ComPtr<IXMLDOMDocument2> document;
  if (FAILED(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                              document.PutVoid()))) {
    __builtin_trap();
  }
  return document;
}

// One edit or question on the first node the expression selects.
void Apply(IXMLDOMDocument2* document, std::uint8_t code, std::string_view xpath, std::string_view argument) {
  ComPtr<IXMLDOMNode> node;
  if (code & 0x80) {
    ComPtr<IXMLDOMNodeList> list;
    if (document->selectNodes(Text(xpath).Get(), list.Put()) != S_OK) return;
    LONG length = 0;
    list->get_length(&length);
    list->get_item(length / 2, node.Put());
    if (!node) return;
  } else if (document->selectSingleNode(Text(xpath).Get(), node.Put()) != S_OK) {
    return;
  }
  Bstr text;
  switch (code % 8) {
    case 0:
      node->get_xml(text.Put());
      break;
    case 1:
      node->put_text(Text(argument).Get());
      break;
    case 2: {
      ComPtr<IXMLDOMElement> element;
      if (node.As(element) == S_OK) element->setAttribute(Text(argument).Get(), *TextVariant(xpath).Get());
      break;
    }
    case 3: {
      ComPtr<IXMLDOMNode> parent, removed;
      if (node->get_parentNode(parent.Put()) == S_OK) parent->removeChild(node.Get(), removed.Put());
      break;
    }
    case 4: {
      // Beside the original, so the tree gets no deeper than it loaded.
      ComPtr<IXMLDOMNode> clone, parent;
      if (node->cloneNode(VARIANT_TRUE, clone.Put()) == S_OK && node->get_parentNode(parent.Put()) == S_OK) {
        parent->appendChild(clone.Get(), nullptr);
      }
      break;
    }
    case 5: {
      ComPtr<IXMLDOMNode> created, parent;
      Variant type;
      type->vt = VT_I4;
      type->lVal = (code & 0x10) ? NODE_ATTRIBUTE : NODE_ELEMENT;
      const char* uri = kNamespaces[(code >> 5) % std::size(kNamespaces)];
      if (document->createNode(*type.Get(), Text(argument).Get(), Text(uri).Get(), created.Put()) == S_OK &&
          type->lVal == NODE_ELEMENT && node->get_parentNode(parent.Put()) == S_OK) {
        parent->appendChild(created.Get(), nullptr);
      }
      break;
    }
    case 6: {
      ComPtr<IXMLDOMNamedNodeMap> attributes;
      ComPtr<IXMLDOMNode> item;
      if (node->get_attributes(attributes.Put()) == S_OK) {
        attributes->getNamedItem(Text(argument).Get(), item.Put());
        while (attributes->nextNode(item.Put()) == S_OK) item->get_text(text.Put());
      }
      break;
    }
    default: {
      ComPtr<IXMLDOMElement> element;
      Variant value;
      if (node.As(element) == S_OK) element->getAttribute(Text(argument).Get(), value.Get());
      node->get_text(text.Put());
      break;
    }
  }
}

// Through the document's IStream, as the ticket code saves it.
std::string Saved(IXMLDOMDocument2* document) {
  ComPtr<IStream> stream;
  if (document->QueryInterface(IID_IStream, stream.PutVoid()) != S_OK) __builtin_trap();
  std::string bytes;
  char buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) bytes.append(buffer, read);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string_view namespaces = input.Until('\n');
  struct Operation {
    std::uint8_t code;
    std::string_view xpath, argument;
  };
  Operation operations[kMaxOperations];
  const int count = input.Byte() % (kMaxOperations + 1);
  for (int i = 0; i < count; ++i) {
    operations[i].code = input.Byte();
    operations[i].xpath = input.Until('\n');
    operations[i].argument = input.Until('\n');
  }
  const std::optional<std::u16string> markup = Utf8ToUtf16(input.Rest());
  if (!markup) return 0;

  const ComPtr<IXMLDOMDocument2> document = NewDocument();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (document->loadXML(Bstr(*markup).Get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return 0;
  document->setProperty(Text("SelectionNamespaces").Get(), *TextVariant(namespaces).Get());
  for (int i = 0; i < count; ++i) Apply(document.Get(), operations[i].code, operations[i].xpath, operations[i].argument);

  // Removing the root leaves no document to save.
  ComPtr<IXMLDOMElement> root;
  if (document->get_documentElement(root.Put()) != S_OK) return 0;
  const std::string saved = Saved(document.Get());
  const ComPtr<IXMLDOMDocument2> again = NewDocument();
  const auto text = Utf8ToUtf16(saved);
  if (!text || again->loadXML(Bstr(*text).Get(), &loaded) != S_OK || loaded != VARIANT_TRUE) __builtin_trap();
  return 0;
}
