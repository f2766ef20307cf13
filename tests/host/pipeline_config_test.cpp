#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/pipeline/host_error.h"
#include "host/pipeline/pipeline_config.h"

namespace {

using kestrel::host::CheckChain;
using kestrel::host::HostError;
using kestrel::host::ParsePipelineConfig;
using kestrel::host::PortKind;

constexpr const char* kProvider = "{0D8AA40A-A47F-48C8-9883-7A573D561841}";
constexpr const char* kConsumer = "{106C8D61-A065-45C1-83EC-F741905A5118}";
constexpr const char* kWriteStream = "{6B3C1E04-5A4F-4B8E-9C10-4B6573747231}";

std::string Filter(const std::string& dll, const std::string& output = kConsumer) {
  return "<Filter dll=\"" + dll + "\" clsid=\"{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}\"><Input guid=\"" +
         kProvider + "\"/><Output guid=\"" + output + "\"/></Filter>";
}

TEST(PipelineConfig, ReadsFiltersInOrderAndTypedProperties) {
  const auto config = ParsePipelineConfig("<?xml version=\"1.0\"?><Filters>" + Filter("a.dll") +
                                          Filter("b.dll", kWriteStream) +
                                          "<Property name=\"LandscapeRotation\" type=\"int\" value=\"-90\"/>"
                                          "<Property name=\"Bits\" type=\"uint\" value=\"4294967295\"/>"
                                          "<Property name=\"Duplex\" type=\"bool\" value=\"true\"/>"
                                          "<Property name=\"EncDllName64\" type=\"string\" value=\"enc.dll\"/>"
                                          "</Filters>");
  ASSERT_EQ(config.filters.size(), 2u);
  EXPECT_EQ(config.filters[0].dll, "a.dll");
  EXPECT_EQ(config.filters[0].name, "a");  // the stem when no name is given
  EXPECT_EQ(config.filters[0].output, PortKind::kXpsParts);
  EXPECT_EQ(config.filters[1].output, PortKind::kBytes);
  EXPECT_EQ(FormatGuid(config.filters[1].clsid), "{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}");
  ASSERT_EQ(config.properties.size(), 4u);
  EXPECT_EQ(std::get<std::int32_t>(config.properties[0].value), -90);
  EXPECT_EQ(std::get<std::uint32_t>(config.properties[1].value), 4294967295u);
  EXPECT_TRUE(std::get<bool>(config.properties[2].value));
  EXPECT_EQ(std::get<std::string>(config.properties[3].value), "enc.dll");
}

TEST(PipelineConfig, RejectsMalformedConfigurationsWithAReason) {
  const std::string input = std::string("<Input guid=\"") + kProvider + "\"/>";
  const std::string output = std::string("<Output guid=\"") + kConsumer + "\"/>";
  const struct {
    std::string xml;
    std::string reason;
  } cases[] = {
      {"<Filters>", "not well-formed"},
      {"<!DOCTYPE Filters [<!ENTITY a \"aaaa\">]><Filters>" + Filter("&a;.dll") + "</Filters>", "document type"},
      {"<Pipeline>" + Filter("a.dll") + "</Pipeline>", "root element"},
      {"<Filters/>", "no <Filter>"},
      {"<Filters><Filter clsid=\"{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}\">" + input + output + "</Filter></Filters>",
       "dll"},
      {"<Filters><Filter dll=\"a.dll\" clsid=\"{nope}\">" + input + output + "</Filter></Filters>", "clsid"},
      {"<Filters><Filter dll=\"a.dll\" clsid=\"{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}\">" + output + "</Filter></Filters>",
       "<Input>"},
      {"<Filters><Filter dll=\"a.dll\" clsid=\"{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}\"><Input guid=\"" +
           std::string(kConsumer) + "\"/>" + output + "</Filter></Filters>",
       "not an input interface"},
      {"<Filters>" + Filter("a.dll") + "<Extra/></Filters>", "unexpected <Extra>"},
      {"<Filters>" + Filter("a.dll") + "<Property name=\"P\" type=\"int\" value=\"2147483648\"/></Filters>",
       "not a number in range"},
      {"<Filters>" + Filter("a.dll") + "<Property name=\"P\" type=\"uint\" value=\"-1\"/></Filters>",
       "not a number in range"},
      {"<Filters>" + Filter("a.dll") + "<Property name=\"P\" type=\"bool\" value=\"yes\"/></Filters>",
       "not true or false"},
      {"<Filters>" + Filter("a.dll") + "<Property name=\"P\" type=\"float\" value=\"1\"/></Filters>", "unknown type"},
  };
  for (const auto& c : cases) {
    try {
      ParsePipelineConfig(c.xml, "test.xml");
      ADD_FAILURE() << "accepted: " << c.xml;
    } catch (const HostError& error) {
      EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("test.xml", 0), 0u) << error.what();
    }
  }
}

TEST(PipelineConfig, TheDriverPackagesConfigurationsListTheChain) {
  const std::filesystem::path driver = std::filesystem::path(KESTREL_SOURCE_DIR) / "driver" / "pipelines";
  const auto print = kestrel::host::LoadPipelineConfig(driver / "print.xml");
  const auto xps = kestrel::host::LoadPipelineConfig(driver / "xps.xml");
  std::vector<std::string> dlls;
  for (const auto& filter : print.filters) dlls.push_back(filter.dll);
  EXPECT_EQ(dlls, (std::vector<std::string>{"xprepflt.dll", "xordflt.dll", "xlayflt.dll", "xfinflt.dll", "xripflt.dll"}));
  EXPECT_EQ(FormatGuid(print.filters[4].clsid), "{4048888E-2F5E-491B-9AF4-5963D0011F0F}");
  EXPECT_EQ(print.filters.back().output, PortKind::kBytes);
  ASSERT_EQ(xps.filters.size(), 4u);
  EXPECT_EQ(xps.filters.back().output, PortKind::kXpsParts);
  EXPECT_NO_THROW(CheckChain(print.filters));
  EXPECT_NO_THROW(CheckChain(xps.filters));
  // Printer data can only leave the chain at its end.
  std::vector<kestrel::host::FilterEntry> rip_first{print.filters[4], print.filters[0]};
  EXPECT_THROW(CheckChain(rip_first), HostError);
  EXPECT_THROW(CheckChain({}), HostError);
}

}  // namespace
