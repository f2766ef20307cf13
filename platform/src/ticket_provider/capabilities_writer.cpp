#include <unordered_set>

#include "printer_documents.h"
#include "schema_writer.h"

namespace {

class CapabilitiesWriter {
 public:
  CapabilitiesWriter(xmlDoc* doc, const PrinterDescription& description)
      : description_(description), w_(doc, description) {}

  void Write(const PageArea& area) {
    for (const FeatureDescription& f : description_.features) Feature(f);
    for (const ParameterDescription& p : description_.parameters) ParameterDef(p);
    ImageableSize(area);
  }

 private:
  void QNameProperty(xmlNode* parent, const QualifiedName& name, const QualifiedName& value) {
    w_.QNameValue(w_.Element(parent, "Property", &name), value);
  }

  void StringProperty(xmlNode* parent, const QualifiedName& name, const std::string& value) {
    w_.StringValue(w_.Element(parent, "Property", &name), value);
  }

  void DisplayName(xmlNode* parent, const std::string& text) {
    if (!text.empty()) StringProperty(parent, Psk("DisplayName"), text);
  }

  void Feature(const FeatureDescription& f) {
    xmlNode* feature = w_.Element(w_.Root(), "Feature", &f.name);
    DisplayName(feature, f.display_name);
    QNameProperty(feature, Psf("SelectionType"), Psk("PickOne"));
    for (const OptionDescription& o : f.options) DisplayName(w_.Option(feature, o), o.display_name);
  }

  bool Referenced(const QualifiedName& parameter) const {
    for (const FeatureDescription& f : description_.features)
      for (const OptionDescription& o : f.options)
        for (const ScoredValueDescription& s : o.scored)
          if (s.parameter == parameter) return true;
    return false;
  }

  void ParameterDef(const ParameterDescription& p) {
    xmlNode* def = w_.Element(w_.Root(), "ParameterDef", &p.name);
    DisplayName(def, p.display_name);
    QNameProperty(def, Psf("DataType"), Xsd("integer"));
    w_.IntegerProperty(def, Psf("DefaultValue"), p.default_value);
    w_.IntegerProperty(def, Psf("MinValue"), p.min);
    w_.IntegerProperty(def, Psf("MaxValue"), p.max);
    w_.IntegerProperty(def, Psf("Multiple"), 1);
    QNameProperty(def, Psf("Mandatory"), Psk(Referenced(p.name) ? "Conditional" : "Unconditional"));
    if (!p.unit.empty()) StringProperty(def, Psf("UnitType"), p.unit);
  }

  void ImageableSize(const PageArea& a) {
    const QualifiedName name = Psk("PageImageableSize");
    xmlNode* size = w_.Element(w_.Root(), "Property", &name);
    w_.IntegerProperty(size, Psk("ImageableSizeWidth"), a.width);
    w_.IntegerProperty(size, Psk("ImageableSizeHeight"), a.height);
    const QualifiedName area_name = Psk("ImageableArea");
    xmlNode* area = w_.Element(size, "Property", &area_name);
    w_.IntegerProperty(area, Psk("OriginWidth"), a.origin_width);
    w_.IntegerProperty(area, Psk("OriginHeight"), a.origin_height);
    w_.IntegerProperty(area, Psk("ExtentWidth"), a.extent_width);
    w_.IntegerProperty(area, Psk("ExtentHeight"), a.extent_height);
  }

  const PrinterDescription& description_;
  SchemaWriter w_;
};

}  // namespace

XmlDoc WriteCapabilities(const TicketSettings& ticket, const PrinterDescription& description) {
  XmlDoc doc = NewSchemaDocument("PrintCapabilities", description);
  CapabilitiesWriter(doc.get(), description).Write(ticket.Imageable());
  return doc;
}
