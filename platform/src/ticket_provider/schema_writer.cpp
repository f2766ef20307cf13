#include "schema_writer.h"

#include "platform/print_ticket_provider.h"

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const xmlChar* X(const std::string& s) { return X(s.c_str()); }

template <typename T>
T* Checked(T* made) {
  if (!made) throw TicketError{E_OUTOFMEMORY, "out of memory while building a document"};
  return made;
}

}  // namespace

QualifiedName Psf(const char* local) { return {kPrintSchemaFrameworkNamespace, local}; }
QualifiedName Psk(const char* local) { return {kPrintSchemaKeywordsNamespace, local}; }
QualifiedName Xsd(const char* local) { return {kXmlSchemaNamespace, local}; }

XmlDoc NewSchemaDocument(const char* root_local, const PrinterDescription& description) {
  XmlDoc doc(Checked(xmlNewDoc(X("1.0"))));
  xmlNode* root = Checked(xmlNewDocNode(doc.get(), nullptr, X(root_local), nullptr));
  xmlDocSetRootElement(doc.get(), root);
  RootNamespaces namespaces(root, description);
  xmlSetNs(root, namespaces.For(kPrintSchemaFrameworkNamespace));
  for (const char* uri : {kPrintSchemaKeywordsNamespace, kXmlSchemaInstanceNamespace, kXmlSchemaNamespace})
    namespaces.For(uri);
  for (const NamespaceBinding& b : description.namespaces)
    if (b.uri != kPrinterDescriptionNamespace) namespaces.For(b.uri, b.prefix);
  Checked(xmlNewProp(root, X("version"), X("1")));
  return doc;
}

SchemaWriter::SchemaWriter(xmlDoc* doc, const PrinterDescription& description)
    : doc_(doc), root_(xmlDocGetRootElement(doc)), namespaces_(root_, description) {}

xmlNode* SchemaWriter::Element(xmlNode* parent, const char* local, const QualifiedName* name) {
  xmlNode* e = Checked(xmlNewDocNode(doc_, namespaces_.For(kPrintSchemaFrameworkNamespace), X(local), nullptr));
  if (name) Checked(xmlNewProp(e, X("name"), X(namespaces_.Text(*name))));
  if (parent) xmlAddChild(parent, e);
  return e;
}

xmlNode* SchemaWriter::TypedValue(xmlNode* parent, const QualifiedName& type, const std::string& text) {
  xmlNode* value = Element(parent, "Value");
  Checked(xmlNewNsProp(value, namespaces_.For(kXmlSchemaInstanceNamespace), X("type"), X(namespaces_.Text(type))));
  xmlAddChild(value, Checked(xmlNewDocText(doc_, X(text))));
  return value;
}

void SchemaWriter::IntegerValue(xmlNode* parent, std::int32_t value) {
  TypedValue(parent, Xsd("integer"), std::to_string(value));
}

void SchemaWriter::StringValue(xmlNode* parent, const std::string& value) {
  TypedValue(parent, Xsd("string"), value);
}

void SchemaWriter::QNameValue(xmlNode* parent, const QualifiedName& value) {
  TypedValue(parent, Xsd("QName"), namespaces_.Text(value));
}

xmlNode* SchemaWriter::IntegerProperty(xmlNode* parent, const QualifiedName& name, std::int32_t value) {
  xmlNode* property = Element(parent, "Property", &name);
  IntegerValue(property, value);
  return property;
}

void SchemaWriter::ScoredInteger(xmlNode* option, const QualifiedName& name, std::int32_t value) {
  IntegerValue(Element(option, "ScoredProperty", &name), value);
}

xmlNode* SchemaWriter::Option(xmlNode* parent, const OptionDescription& option) {
  xmlNode* o = Element(parent, "Option", option.name ? &*option.name : nullptr);
  for (const ScoredValueDescription& s : option.scored) {
    if (s.integer) {
      ScoredInteger(o, s.name, *s.integer);
    } else {
      Element(Element(o, "ScoredProperty", &s.name), "ParameterRef", &*s.parameter);
    }
  }
  return o;
}
