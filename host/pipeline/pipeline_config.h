// The pipeline configuration of a driver package: the filters in chain order
// and the properties the package puts in every job's property bag.
//
//   <Filters>
//     <Filter dll="xprepflt.dll" clsid="{...}" name="preparation">
//       <Input guid="{...}" comment="IID_IXpsDocumentProvider"/>
//       <Output guid="{...}" comment="IID_IXpsDocumentConsumer"/>
//     </Filter>
//     <Property name="LandscapeRotation" type="int" value="90"/>
//   </Filters>
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/guid.h"

namespace kestrel::host {

// What a filter reads or writes: XPS parts or a plain byte stream.
enum class PortKind { kXpsParts, kBytes };

struct FilterEntry {
  std::string dll;   // Windows-style library name, resolved by the loader
  CLSID clsid{};
  std::string name;  // the dll's stem when the configuration names none
  PortKind input = PortKind::kXpsParts;
  PortKind output = PortKind::kXpsParts;
};

using PropertyValue = std::variant<std::int32_t, std::uint32_t, bool, std::string>;

struct ConfiguredProperty {
  std::string name;
  PropertyValue value;
};

struct PipelineConfig {
  std::vector<FilterEntry> filters;
  std::vector<ConfiguredProperty> properties;
};

// Both throw HostError naming the file (or "configuration") and the problem.
PipelineConfig ParsePipelineConfig(std::string_view xml, const std::string& origin = "configuration");
PipelineConfig LoadPipelineConfig(const std::filesystem::path& file);

// "int", "uint", "bool" or "string" text into a value; throws HostError.
PropertyValue ParsePropertyValue(std::string_view type, std::string_view text, const std::string& what);

// The chain's ends must fit: XPS parts in at the start, XPS parts between
// filters, XPS parts or a byte stream at the end. Throws HostError.
void CheckChain(const std::vector<FilterEntry>& filters);

}  // namespace kestrel::host
