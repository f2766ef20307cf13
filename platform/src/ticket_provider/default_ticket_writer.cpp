#include "printer_documents.h"
#include "schema_writer.h"

XmlDoc WriteDefaultTicket(const PrinterDescription& description) {
  XmlDoc doc = NewSchemaDocument("PrintTicket", description);
  SchemaWriter w(doc.get(), description);
  for (const FeatureDescription& f : description.features) w.Option(w.Element(w.Root(), "Feature", &f.name), f.Default());
  for (const ParameterDescription& p : description.parameters)
    w.IntegerValue(w.Element(w.Root(), "ParameterInit", &p.name), p.default_value);
  return doc;
}
