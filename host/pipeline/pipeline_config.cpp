#include "host/pipeline/pipeline_config.h"


#include <charconv>
#include <fstream>
#include <memory>
#include <optional>

#include "host/pipeline/host_error.h"
#include "platform/print_stream.h"
#include "platform/safe_xml.h"
#include "platform/xps_parts.h"

namespace kestrel::host {
namespace {

// A configuration is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxConfigBytes = 1 << 20;

std::string_view Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

using safexml::Attribute;

class ConfigReader {
 public:
  explicit ConfigReader(std::string origin) : origin_(std::move(origin)) {}

  [[noreturn]] void Fail(const xmlNode* node, const std::string& problem) const {
    const std::string where = node ? ":" + std::to_string(xmlGetLineNo(node)) : "";
    throw HostError(origin_ + where + ": " + problem, E_INVALIDARG);
  }

  std::string Required(const xmlNode* node, const char* name) const {
    std::optional<std::string> value = Attribute(node, name);
    if (!value || value->empty())
      Fail(node, "<" + std::string(Name(node)) + "> needs the attribute " + name);
    return *value;
  }

  PortKind Port(const xmlNode* node, bool input) const {
    const std::string text = Required(node, "guid");
    const std::optional<GUID> guid = ParseGuid(text);
    if (!guid) Fail(node, "malformed guid \"" + text + "\"");
    if (input && *guid == IID_IXpsDocumentProvider) return PortKind::kXpsParts;
    if (input && *guid == IID_IPrintReadStream) return PortKind::kBytes;
    if (!input && *guid == IID_IXpsDocumentConsumer) return PortKind::kXpsParts;
    if (!input && *guid == IID_IPrintWriteStream) return PortKind::kBytes;
    Fail(node, "guid " + text + " is not an " + (input ? "input" : "output") + " interface of the pipeline");
  }

  FilterEntry Filter(const xmlNode* node) const {
    FilterEntry filter;
    filter.dll = Required(node, "dll");
    const std::string clsid = Required(node, "clsid");
    const std::optional<GUID> parsed = ParseGuid(clsid);
    if (!parsed) Fail(node, "malformed clsid \"" + clsid + "\"");
    filter.clsid = *parsed;
    filter.name = Attribute(node, "name").value_or("");
    if (filter.name.empty()) filter.name = std::filesystem::path(filter.dll).stem().string();
    bool seen_input = false;
    bool seen_output = false;
    for (const xmlNode* child = node->children; child; child = child->next) {
      if (child->type != XML_ELEMENT_NODE) continue;
      if (Name(child) == "Input" && !seen_input) {
        filter.input = Port(child, true);
        seen_input = true;
      } else if (Name(child) == "Output" && !seen_output) {
        filter.output = Port(child, false);
        seen_output = true;
      } else {
        Fail(child, "unexpected <" + std::string(Name(child)) + "> in filter " + filter.name);
      }
    }
    if (!seen_input || !seen_output) Fail(node, "filter " + filter.name + " needs one <Input> and one <Output>");
    return filter;
  }

  ConfiguredProperty Property(const xmlNode* node) const {
    ConfiguredProperty property;
    property.name = Required(node, "name");
    const std::string type = Required(node, "type");
    const std::string value = Attribute(node, "value").value_or("");
    property.value = ParsePropertyValue(type, value, origin_ + ":" + std::to_string(xmlGetLineNo(node)) +
                                                         ": property " + property.name);
    return property;
  }

  PipelineConfig Read(std::string_view xml) const {
    if (xml.size() > kMaxConfigBytes) Fail(nullptr, "too large to be a pipeline configuration");
    const safexml::ReadResult read = safexml::Read(xml);
    if (read.refusal == safexml::Refusal::kDocumentType) Fail(nullptr, "a document type declaration is not allowed");
    if (!read.document)
      Fail(nullptr, std::string("not well-formed XML") +
                        (read.message.empty() ? "" : " (line " + std::to_string(read.line) + ": " + read.message + ")"));
    const xmlNode* root = xmlDocGetRootElement(read.document.get());
    if (!root || Name(root) != "Filters") Fail(root, "the root element must be <Filters>");
    PipelineConfig config;
    for (const xmlNode* child = root->children; child; child = child->next) {
      if (child->type != XML_ELEMENT_NODE) continue;
      if (Name(child) == "Filter")
        config.filters.push_back(Filter(child));
      else if (Name(child) == "Property")
        config.properties.push_back(Property(child));
      else
        Fail(child, "unexpected <" + std::string(Name(child)) + ">");
    }
    if (config.filters.empty()) Fail(root, "no <Filter> listed");
    return config;
  }

 private:
  std::string origin_;
};

template <typename Integer>
Integer ParseInteger(std::string_view text, const std::string& what) {
  Integer value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw HostError(what + ": \"" + std::string(text) + "\" is not a number in range", E_INVALIDARG);
  return value;
}

}  // namespace

PropertyValue ParsePropertyValue(std::string_view type, std::string_view text, const std::string& what) {
  if (type == "int") return ParseInteger<std::int32_t>(text, what);
  if (type == "uint") return ParseInteger<std::uint32_t>(text, what);
  if (type == "bool") {
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    throw HostError(what + ": \"" + std::string(text) + "\" is not true or false", E_INVALIDARG);
  }
  if (type == "string") return std::string(text);
  throw HostError(what + ": unknown type \"" + std::string(type) + "\" (int, uint, bool or string)", E_INVALIDARG);
}

PipelineConfig ParsePipelineConfig(std::string_view xml, const std::string& origin) {
  return ConfigReader(origin).Read(xml);
}

void CheckChain(const std::vector<FilterEntry>& filters) {
  if (filters.empty()) throw HostError("the chain has no filter", E_INVALIDARG);
  for (std::size_t i = 0; i < filters.size(); ++i) {
    if (filters[i].input != PortKind::kXpsParts)
      throw HostError("filter " + filters[i].name + " reads a byte stream: only XPS parts reach a filter here",
                      E_INVALIDARG);
    if (i + 1 < filters.size() && filters[i].output != PortKind::kXpsParts)
      throw HostError("filter " + filters[i].name + " writes a byte stream but is not the last of the chain",
                      E_INVALIDARG);
  }
}

PipelineConfig LoadPipelineConfig(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw HostError(file.string() + ": cannot open the pipeline configuration", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxConfigBytes) break;
  }
  return ParsePipelineConfig(text, file.string());
}

}  // namespace kestrel::host
