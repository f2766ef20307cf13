// Builds Print Schema elements (Feature, Option, Property, Value, ...) in a document,
// with names bound to the root's declarations.
#pragma once

#include <string>

#include "printer_description.h"
#include "root_namespaces.h"
#include "xml_support.h"

// A new document whose root is psf:<root_local> version="1", declaring the framework,
// keywords, XML Schema (instance) namespaces and those of the description.
XmlDoc NewSchemaDocument(const char* root_local, const PrinterDescription& description);

class SchemaWriter {
 public:
  SchemaWriter(xmlDoc* doc, const PrinterDescription& description);

  RootNamespaces& Namespaces() { return namespaces_; }
  xmlNode* Root() const { return root_; }

  // A framework element psf:<local>, with a name attribute when name is given, appended
  // to parent (left unattached when parent is NULL).
  xmlNode* Element(xmlNode* parent, const char* local, const QualifiedName* name = nullptr);
  void IntegerValue(xmlNode* parent, std::int32_t value);
  void StringValue(xmlNode* parent, const std::string& value);
  void QNameValue(xmlNode* parent, const QualifiedName& value);
  xmlNode* IntegerProperty(xmlNode* parent, const QualifiedName& name, std::int32_t value);
  // An Option with its scored properties (Values, or ParameterRefs).
  xmlNode* Option(xmlNode* parent, const OptionDescription& option);
  // A ScoredProperty holding the integer.
  void ScoredInteger(xmlNode* option, const QualifiedName& name, std::int32_t value);

 private:
  xmlNode* TypedValue(xmlNode* parent, const QualifiedName& type, const std::string& text);

  xmlDoc* doc_;
  xmlNode* root_;
  RootNamespaces namespaces_;
};

// Well-known names.
QualifiedName Psf(const char* local);
QualifiedName Psk(const char* local);
QualifiedName Xsd(const char* local);
