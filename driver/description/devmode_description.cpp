#include "driver/description/devmode_description.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/description/one_line_json.h"
#include "driver/devmode/devmode_private.h"
#include "platform/utf.h"

namespace {

struct Field {
  std::string name;
  nlohmann::ordered_json value;  // a string or a number
};

// A fixed array of 32 WCHARs up to its first 0.
std::string Name(const WCHAR (&chars)[32]) {
  std::size_t n = 0;
  while (n < 32 && chars[n]) ++n;
  return Utf16ToUtf8(std::u16string_view(chars, n)).value_or("?");
}

std::string Hex(DWORD v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
  return text;
}

void Number(std::vector<Field>& f, const char* name, long long v) { f.push_back({name, v}); }

std::vector<Field> PublicFields(const DEVMODEW& d) {
  std::vector<Field> f;
  f.push_back({"dmDeviceName", Name(d.dmDeviceName)});
  f.push_back({"dmSpecVersion", Hex(d.dmSpecVersion)});
  f.push_back({"dmDriverVersion", Hex(d.dmDriverVersion)});
  Number(f, "dmSize", d.dmSize);
  Number(f, "dmDriverExtra", d.dmDriverExtra);
  f.push_back({"dmFields", Hex(d.dmFields)});
  struct Flagged {
    DWORD flag;
    const char* name;
    long long value;
  };
  const Flagged flagged[] = {
      {DM_ORIENTATION, "dmOrientation", d.dmOrientation},   {DM_PAPERSIZE, "dmPaperSize", d.dmPaperSize},
      {DM_PAPERLENGTH, "dmPaperLength", d.dmPaperLength},   {DM_PAPERWIDTH, "dmPaperWidth", d.dmPaperWidth},
      {DM_SCALE, "dmScale", d.dmScale},                     {DM_COPIES, "dmCopies", d.dmCopies},
      {DM_DEFAULTSOURCE, "dmDefaultSource", d.dmDefaultSource}, {DM_PRINTQUALITY, "dmPrintQuality", d.dmPrintQuality},
      {DM_COLOR, "dmColor", d.dmColor},                     {DM_DUPLEX, "dmDuplex", d.dmDuplex},
      {DM_YRESOLUTION, "dmYResolution", d.dmYResolution},   {DM_COLLATE, "dmCollate", d.dmCollate},
      {DM_NUP, "dmNup", d.dmNup},
  };
  for (const Flagged& x : flagged)
    if (d.dmFields & x.flag) Number(f, x.name, x.value);
  if (d.dmFields & DM_FORMNAME) f.push_back({"dmFormName", Name(d.dmFormName)});
  return f;
}

std::vector<Field> PrivateFields(const KestrelDevModePrivate& p) {
  std::vector<Field> f;
  Number(f, "version", p.version);
  Number(f, "mediaWidth", p.mediaWidth);
  Number(f, "mediaHeight", p.mediaHeight);
  Number(f, "imageableOriginWidth", p.imageableOriginWidth);
  Number(f, "imageableOriginHeight", p.imageableOriginHeight);
  Number(f, "imageableExtentWidth", p.imageableExtentWidth);
  Number(f, "imageableExtentHeight", p.imageableExtentHeight);
  Number(f, "orientation", p.orientation);
  Number(f, "pagesPerSheet", p.pagesPerSheet);
  Number(f, "bindingEdge", p.bindingEdge);
  Number(f, "booklet", p.booklet);
  Number(f, "bindingGutter", p.bindingGutter);
  Number(f, "posterSheetsPerPage", p.posterSheetsPerPage);
  Number(f, "scalingMode", p.scalingMode);
  Number(f, "scalePercent", p.scalePercent);
  Number(f, "inputBin", p.inputBin);
  Number(f, "secondInputBin", p.secondInputBin);
  Number(f, "mirror", p.mirror);
  f.push_back({"flags", Hex(p.flags)});
  return f;
}

std::string Text(const std::vector<Field>& fields, const std::string& prefix) {
  std::string out;
  for (const Field& f : fields)
    out += prefix + f.name + ": " + (f.value.is_string() ? f.value.get<std::string>() : f.value.dump()) + "\n";
  return out;
}

nlohmann::ordered_json Json(const std::vector<Field>& fields) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const Field& f : fields) object[f.name] = f.value;
  return object;
}

}  // namespace

std::string DescribeDevMode(const DEVMODEW* devmode, ULONG size, bool json) {
  if (!devmode || size < sizeof(DEVMODEW) || devmode->dmSize != sizeof(DEVMODEW)) return {};
  const std::vector<Field> public_fields = PublicFields(*devmode);
  KestrelDevModePrivate extra{};
  bool has_private = false;
  if (devmode->dmDriverExtra >= sizeof extra && size >= sizeof(DEVMODEW) + sizeof extra) {
    std::memcpy(&extra, reinterpret_cast<const BYTE*>(devmode) + sizeof(DEVMODEW), sizeof extra);
    has_private = extra.signature == kDevModePrivateSignature;
  }
  if (!json) return Text(public_fields, "") + (has_private ? Text(PrivateFields(extra), "private.") : "");
  nlohmann::ordered_json out = Json(public_fields);
  if (has_private) out["private"] = Json(PrivateFields(extra));
  return OneLineJson(out) + "\n";
}
