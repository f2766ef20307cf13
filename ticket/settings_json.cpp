#include "ticket/settings_json.h"


#include "ticket/hresult_error.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::array<std::u16string_view, 3> kScopeNames = {u"None", u"Job", u"Document"};

void Member(JsonWriter& json, std::string_view key, std::int64_t value) {
  json.Key(key);
  json.Number(value);
}

void Member(JsonWriter& json, std::string_view key, const Bstr& text) {
  json.Key(key);
  json.String(text.View());
}

void Enumeration(JsonWriter& json, LONG index, OptionTable names) {
  json.BeginObject();
  Member(json, "index", index);
  json.Key("name");
  if (const auto name = NameAt(names, index))
    json.String(*name);
  else
    json.Null();
  json.EndObject();
}

void Enumeration(JsonWriter& json, std::string_view key, LONG index, OptionTable names) {
  json.Key(key);
  Enumeration(json, index, names);
}

void Scope(JsonWriter& json, LONG scope) {
  json.Key("scope");
  json.BeginObject();
  Member(json, "index", scope);
  json.Key("name");
  if (const auto name = NameAt(kScopeNames, scope + 1))
    json.String(*name);
  else
    json.Null();
  json.EndObject();
}

std::array<std::u16string_view, kDuplexOptions.size()> DuplexOptionNames() {
  std::array<std::u16string_view, kDuplexOptions.size()> names;
  for (std::size_t row = 0; row < names.size(); ++row) names[row] = kDuplexOptions[row].option;
  return names;
}

// One record as a member: its reader's result, then its fields.
template <class Record>
void Describe(JsonWriter& json, std::string_view key, HRESULT hr, const Record& record) {
  json.Key(key);
  json.BeginObject();
  json.Key("hresult");
  json.String(SettingsHresultName(hr));
  DescribeFields(json, record);
  json.EndObject();
}

template <class Record, class Reader>
void ReadAndDescribe(JsonWriter& json, std::string_view key, const PrintTicketDom& ticket, Reader reader) {
  Record record;
  const HRESULT hr = reader(ticket, record);
  Describe(json, key, hr, record);
}

void DescribeImageableArea(JsonWriter& json, IXMLDOMDocument2* capabilities) {
  ImageableArea area;
  HRESULT hr = S_OK;
  try {
    const PrintTicketDom dom(u"PrintCapabilities", PRIVATE_KEYWORDS_NS, capabilities);
    hr = ReadImageableArea(dom, area);
  } catch (const HResultError& error) {
    hr = error.hr();
  }
  Describe(json, "imageableArea", hr, area);
}

}  // namespace

std::string SettingsHresultName(HRESULT hr) {
  return hr == S_SETTINGS_DEFAULTED ? "S_SETTINGS_DEFAULTED (0x00040002)" : HresultName(hr);
}

void DescribeFields(JsonWriter& json, const MediaSizeSettings& s) {
  Member(json, "optionName", s.optionName);
  Member(json, "optionIsPrivate", s.optionIsPrivate);
  Member(json, "width", s.width);
  Member(json, "height", s.height);
  Enumeration(json, "orientation", s.orientation, kOrientationOptions);
  Member(json, "customUnitIsInch", s.customUnitIsInch);
  Member(json, "transverse", s.transverse);
  Enumeration(json, "thicknessType", s.thicknessType, kThicknessNames);
  Member(json, "fixedMargin", s.fixedMargin);
  Member(json, "docMarginLeft", s.docMarginLeft);
  Member(json, "docMarginRight", s.docMarginRight);
  Member(json, "docMarginTop", s.docMarginTop);
  Member(json, "docMarginBottom", s.docMarginBottom);
  Member(json, "outMarginLeft", s.outMarginLeft);
  Member(json, "outMarginRight", s.outMarginRight);
  Member(json, "outMarginTop", s.outMarginTop);
  Member(json, "outMarginBottom", s.outMarginBottom);
  Member(json, "customPaperTemp", s.customPaperTemp);
}

void DescribeFields(JsonWriter& json, const ImageableArea& a) {
  Member(json, "imageableWidth", a.imageableWidth);
  Member(json, "imageableHeight", a.imageableHeight);
  Member(json, "originWidth", a.originWidth);
  Member(json, "originHeight", a.originHeight);
  Member(json, "extentWidth", a.extentWidth);
  Member(json, "extentHeight", a.extentHeight);
}

void DescribeFields(JsonWriter& json, const JobInfoSettings& s) {
  Member(json, "userName", s.userName);
  Member(json, "computerName", s.computerName);
  Member(json, "codePage", s.codePage);
  Enumeration(json, "separateTrayMode", s.separateTrayMode, kOffOnNames);
  Member(json, "divideCondition", s.divideCondition);
  Member(json, "bandingPortraitFlag", s.bandingPortraitFlag);
  Member(json, "bandingPortraitSize", s.bandingPortraitSize);
  Member(json, "bandingLandscapeFlag", s.bandingLandscapeFlag);
  Member(json, "bandingLandscapeSize", s.bandingLandscapeSize);
  Enumeration(json, "halftoneReduction", s.halftoneReduction, kOffOnNames);
  Enumeration(json, "draftMode", s.draftMode, kOffOnNames);
}

void DescribeFields(JsonWriter& json, const DuplexSettings& s) {
  Scope(json, s.scope);
  Enumeration(json, "duplexType", s.duplexType, DuplexOptionNames());
  Enumeration(json, "duplexMode", s.duplexMode, kDuplexModeNames);
  Enumeration(json, "firstPaper", s.firstPaper, kTraySeparationNames);
  Enumeration(json, "subMode", s.subMode, kDuplexModeNames);
}

void DescribeFields(JsonWriter& json, const BindingSettings& s) {
  Scope(json, s.scope);
  Enumeration(json, "bindingEdge", s.bindingEdge, kBindingEdgeOptions);
  Member(json, "gutter", s.gutter);
  Enumeration(json, "gutterControl", s.gutterControl, kOffOnNames);
  Enumeration(json, "unit", s.unit, kBindingUnitNames);
  Member(json, "dependOnDuplex", s.dependOnDuplex);
  Enumeration(json, "optionControl", s.optionControl, kOffOnNames);
  Enumeration(json, "bookletMethod", s.bookletMethod, kBookletMethodNames);
  Member(json, "bookletSheets", s.bookletSheets);
}

void DescribeFields(JsonWriter& json, const NUpSettings& s) {
  Scope(json, s.scope);
  Member(json, "pagesPerSheet", s.pagesPerSheet);
  Enumeration(json, "presentationDirection", s.presentationDirection, kPresentationDirectionOptions);
  Enumeration(json, "borderLine", s.borderLine, kBorderLineOptions);
}

void DescribeFields(JsonWriter& json, const PosterSettings& s) {
  Member(json, "sheetsPerPage", s.sheetsPerPage);
  Member(json, "hideFlag", s.hideFlag);
  Enumeration(json, "cutOutLine", s.cutOutLine, kOffOnNames);
}

void DescribeFields(JsonWriter& json, const InputBinSettings& s) {
  json.Key("binIndex");
  json.BeginArray();
  for (LONG index : s.binIndex) Enumeration(json, index, kInputBinOptions);
  json.EndArray();
  json.Key("binName");
  json.BeginArray();
  for (const Bstr& name : s.binName) json.String(name.View());
  json.EndArray();
  json.Key("binNamespace");
  json.BeginArray();
  for (LONG index : s.binNamespace) Enumeration(json, index, kBinNamespaceNames);
  json.EndArray();
  Member(json, "secondBinInvalid", s.secondBinInvalid);
}

void DescribeFields(JsonWriter& json, const MirrorSettings& s) {
  Enumeration(json, "mirror", s.mirror, kMirrorOptions);
  Enumeration(json, "reverse", s.reverse, kOffOnNames);
}

HRESULT DescribeSettingsJson(IXMLDOMDocument2* ticket, IXMLDOMDocument2* capabilities, std::string* json) {
  if (!json) return E_POINTER;
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
    JsonWriter out;
    out.BeginObject();
    ReadAndDescribe<MediaSizeSettings>(out, "mediaSize", dom, ReadMediaSize);
    DescribeImageableArea(out, capabilities);
    ReadAndDescribe<JobInfoSettings>(out, "jobInfo", dom, ReadJobInfo);
    ReadAndDescribe<DuplexSettings>(out, "duplex", dom, ReadDuplex);
    ReadAndDescribe<BindingSettings>(out, "binding", dom, ReadBinding);
    ReadAndDescribe<NUpSettings>(out, "nUp", dom, ReadNUp);
    ReadAndDescribe<PosterSettings>(out, "poster", dom, ReadPoster);
    ReadAndDescribe<InputBinSettings>(out, "inputBin", dom, ReadInputBin);
    ReadAndDescribe<MirrorSettings>(out, "mirror", dom, ReadMirror);
    out.EndObject();
    *json = out.Text();
    return S_OK;
  });
}
