#include "ticket/settings_json.h"

#include "platform/utf.h"
#include "ticket/hresult_error.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/settings_support.h"

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// nlohmann takes UTF-8; a text that does not convert (a stray surrogate,
// never in a parsed ticket) gets U+FFFD for each surrogate that is not paired.
std::string Utf8(std::u16string_view text) {
  if (auto utf8 = Utf16ToUtf8(text)) return *utf8;
  std::u16string repaired(text);
  for (std::size_t at = 0; at < repaired.size(); ++at) {
    if (IsHighSurrogate(repaired[at]) && at + 1 < repaired.size() && IsLowSurrogate(repaired[at + 1]))
      ++at;
    else if (IsHighSurrogate(repaired[at]) || IsLowSurrogate(repaired[at]))
      repaired[at] = u'\uFFFD';
  }
  return Utf16ToUtf8(repaired).value_or(std::string());
}

OrderedJson Text(const Bstr& text) { return Utf8(text.View()); }

OrderedJson Enumeration(LONG index, std::optional<std::u16string_view> name) {
  OrderedJson value = OrderedJson::object();
  value["index"] = index;
  value["name"] = name ? OrderedJson(Utf8(*name)) : OrderedJson(nullptr);
  return value;
}

template <class Enum>
requires std::is_enum_v<Enum> OrderedJson Enumeration(Enum value) { return Enumeration(Index(value), Name(value)); }

// One record: its reader's result, then its fields.
template <class Record>
OrderedJson Describe(HRESULT hr, const Record& record) {
  OrderedJson value = OrderedJson::object();
  value["hresult"] = SettingsHresultName(hr);
  value.update(DescribeFields(record));
  return value;
}

template <class Record, class Reader>
OrderedJson ReadAndDescribe(const PrintTicketDom& ticket, Reader reader) {
  Record record;
  const HRESULT hr = reader(ticket, record);
  return Describe(hr, record);
}

OrderedJson DescribeImageableArea(IXMLDOMDocument2* capabilities) {
  ImageableArea area;
  HRESULT hr = S_OK;
  try {
    const PrintTicketDom dom(u"PrintCapabilities", PRIVATE_KEYWORDS_NS, capabilities);
    hr = ReadImageableArea(dom, area);
  } catch (const HResultError& error) {
    hr = error.hr();
  }
  return Describe(hr, area);
}

}  // namespace

std::string SettingsHresultName(HRESULT hr) {
  return hr == S_SETTINGS_DEFAULTED ? "S_SETTINGS_DEFAULTED (0x00040002)" : HresultName(hr);
}

OrderedJson DescribeFields(const MediaSizeSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["optionName"] = Text(s.optionName);
  json["optionIsPrivate"] = s.optionIsPrivate;
  json["width"] = s.width;
  json["height"] = s.height;
  json["orientation"] = Enumeration(s.orientation);
  json["customUnitIsInch"] = Enumeration(s.customUnitIsInch);
  json["transverse"] = Enumeration(s.transverse);
  json["thicknessType"] = Enumeration(s.thicknessType);
  json["fixedMargin"] = Enumeration(s.fixedMargin);
  json["docMarginLeft"] = s.docMarginLeft;
  json["docMarginRight"] = s.docMarginRight;
  json["docMarginTop"] = s.docMarginTop;
  json["docMarginBottom"] = s.docMarginBottom;
  json["outMarginLeft"] = s.outMarginLeft;
  json["outMarginRight"] = s.outMarginRight;
  json["outMarginTop"] = s.outMarginTop;
  json["outMarginBottom"] = s.outMarginBottom;
  json["customPaperTemp"] = s.customPaperTemp;
  return json;
}

OrderedJson DescribeFields(const ImageableArea& a) {
  OrderedJson json = OrderedJson::object();
  json["imageableWidth"] = a.imageableWidth;
  json["imageableHeight"] = a.imageableHeight;
  json["originWidth"] = a.originWidth;
  json["originHeight"] = a.originHeight;
  json["extentWidth"] = a.extentWidth;
  json["extentHeight"] = a.extentHeight;
  return json;
}

OrderedJson DescribeFields(const JobInfoSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["userName"] = Text(s.userName);
  json["computerName"] = Text(s.computerName);
  json["codePage"] = s.codePage;
  json["separateTrayMode"] = Enumeration(s.separateTrayMode);
  json["divideCondition"] = Text(s.divideCondition);
  json["bandingPortraitFlag"] = s.bandingPortraitFlag;
  json["bandingPortraitSize"] = s.bandingPortraitSize;
  json["bandingLandscapeFlag"] = s.bandingLandscapeFlag;
  json["bandingLandscapeSize"] = s.bandingLandscapeSize;
  json["halftoneReduction"] = Enumeration(s.halftoneReduction);
  json["draftMode"] = Enumeration(s.draftMode);
  return json;
}

OrderedJson DescribeFields(const DuplexSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["scope"] = Enumeration(s.scope);
  json["duplexType"] = Enumeration(s.duplexType);
  json["duplexMode"] = Enumeration(s.duplexMode);
  json["firstPaper"] = Enumeration(s.firstPaper);
  json["subMode"] = Enumeration(s.subMode);
  return json;
}

OrderedJson DescribeFields(const BindingSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["scope"] = Enumeration(s.scope);
  json["bindingEdge"] = Enumeration(s.bindingEdge);
  json["gutter"] = s.gutter;
  json["gutterControl"] = Enumeration(s.gutterControl);
  json["unit"] = Enumeration(s.unit);
  json["dependOnDuplex"] = s.dependOnDuplex;
  json["optionControl"] = Enumeration(s.optionControl);
  json["bookletMethod"] = Enumeration(s.bookletMethod);
  json["bookletSheets"] = s.bookletSheets;
  return json;
}

OrderedJson DescribeFields(const NUpSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["scope"] = Enumeration(s.scope);
  json["pagesPerSheet"] = s.pagesPerSheet;
  json["presentationDirection"] = Enumeration(s.presentationDirection);
  json["borderLine"] = Enumeration(s.borderLine);
  return json;
}

OrderedJson DescribeFields(const PosterSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["sheetsPerPage"] = s.sheetsPerPage;
  json["hideFlag"] = s.hideFlag;
  json["cutOutLine"] = Enumeration(s.cutOutLine);
  return json;
}

OrderedJson DescribeFields(const InputBinSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["binIndex"] = OrderedJson::array();
  for (InputBin bin : s.binIndex) json["binIndex"].push_back(Enumeration(bin));
  json["binName"] = OrderedJson::array();
  for (const Bstr& name : s.binName) json["binName"].push_back(Text(name));
  json["binNamespace"] = OrderedJson::array();
  for (BinNamespace space : s.binNamespace) json["binNamespace"].push_back(Enumeration(space));
  json["secondBinInvalid"] = s.secondBinInvalid;
  return json;
}

OrderedJson DescribeFields(const MirrorSettings& s) {
  OrderedJson json = OrderedJson::object();
  json["mirror"] = Enumeration(s.mirror);
  json["reverse"] = Enumeration(s.reverse);
  return json;
}

OrderedJson DescribeFields(const HeaderFooterOptions& o) {
  OrderedJson json = OrderedJson::object();
  json["on"] = Enumeration(o.on);
  json["dateFormat"] = Enumeration(o.dateFormat);
  json["dateStringFormat"] = Text(o.dateStringFormat);
  json["dateDataFormat"] = Text(o.dateDataFormat);
  json["timeFormat"] = Enumeration(o.timeFormat);
  json["timeStringFormat"] = Text(o.timeStringFormat);
  json["timeDataFormat"] = Text(o.timeDataFormat);
  json["idPrint"] = Enumeration(o.idPrint);
  json["customId"] = Text(o.customId);
  json["positionX"] = Enumeration(o.positionX);
  json["positionY"] = Enumeration(o.positionY);
  json["background"] = Enumeration(o.background);
  json["backgroundColor"] = o.backgroundColor;
  json["fontName"] = Text(o.fontName);
  json["charSet"] = o.charSet;
  json["fontSize"] = o.fontSize;
  json["fontColor"] = o.fontColor;
  json["bold"] = o.bold;
  json["italic"] = o.italic;
  json["underline"] = o.underline;
  json["strikeOut"] = o.strikeOut;
  return json;
}

HRESULT DescribeSettingsJson(IXMLDOMDocument2* ticket, IXMLDOMDocument2* capabilities, std::string* json) {
  if (!json) return E_POINTER;
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
    OrderedJson out = OrderedJson::object();
    out["mediaSize"] = ReadAndDescribe<MediaSizeSettings>(dom, ReadMediaSize);
    out["imageableArea"] = DescribeImageableArea(capabilities);
    out["jobInfo"] = ReadAndDescribe<JobInfoSettings>(dom, ReadJobInfo);
    out["duplex"] = ReadAndDescribe<DuplexSettings>(dom, ReadDuplex);
    out["binding"] = ReadAndDescribe<BindingSettings>(dom, ReadBinding);
    out["nUp"] = ReadAndDescribe<NUpSettings>(dom, ReadNUp);
    out["poster"] = ReadAndDescribe<PosterSettings>(dom, ReadPoster);
    out["inputBin"] = ReadAndDescribe<InputBinSettings>(dom, ReadInputBin);
    out["mirror"] = ReadAndDescribe<MirrorSettings>(dom, ReadMirror);
    out["headerFooter"] = ReadAndDescribe<HeaderFooterOptions>(dom, ReadHeaderFooterOptions);
    *json = out.dump(2);
    return S_OK;
  });
}
