#include "ticket/xpath_query.h"

#include <gtest/gtest.h>

namespace {

TEST(XPathQuery, BuildsTheQueryTextsWithTheFrameworkPrefix) {
  XPathQuery feature(u"psf:");
  ASSERT_EQ(feature.AppendFeature(u"psk:", u"JobBindAllDocuments"), S_OK);
  ASSERT_EQ(feature.AppendProperty(u"ns0000:", u"BindingOptionControl"), S_OK);
  EXPECT_EQ(feature.Text(),
            u"//psf:Feature[@name = \"psk:JobBindAllDocuments\"]"
            u"//psf:Property[@name = \"ns0000:BindingOptionControl\"]");

  XPathQuery parameter(u"f:");
  ASSERT_EQ(parameter.AppendParameterInit(u"k:", u"Gutter"), S_OK);
  ASSERT_EQ(parameter.AppendScoredProperty(u"k:", u"X"), S_OK);
  EXPECT_EQ(parameter.Text(), u"//f:ParameterInit[@name = \"k:Gutter\"]//f:ScoredProperty[@name = \"k:X\"]");
}

TEST(XPathQuery, OptionSelectorIsTheUnionOfOptionAndOptionNameValue) {
  XPathQuery query(u"psf:");
  ASSERT_EQ(query.AppendFeature(u"psk:", u"PageMediaSize"), S_OK);
  ASSERT_EQ(query.AppendOptionSelector(u"psk:"), S_OK);
  EXPECT_EQ(query.Text(),
            u"//psf:Feature[@name = \"psk:PageMediaSize\"]/psf:Option | "
            u"//psf:Feature[@name = \"psk:PageMediaSize\"]/psf:ScoredProperty[@name = \"psk:OptionName\"]/psf:Value");
}

TEST(XPathQuery, WithoutFrameworkPrefixElementStepsFailAndOthersAppendNothing) {
  XPathQuery query(u"");
  EXPECT_EQ(query.AppendFeature(u"psk:", u"A"), E_FAIL);
  EXPECT_EQ(query.AppendScoredProperty(u"psk:", u"A"), E_FAIL);
  EXPECT_EQ(query.AppendOptionSelector(u"psk:"), E_FAIL);
  EXPECT_EQ(query.AppendProperty(u"psk:", u"A"), S_OK);
  EXPECT_EQ(query.AppendParameterInit(u"psk:", u"A"), S_OK);
  EXPECT_TRUE(query.Text().empty());
}

}  // namespace
