#include "platform/safe_xml.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/xml_escape.h"

namespace {

using safexml::Refusal;

std::string Nested(int depth) {
  std::string xml;
  for (int i = 0; i < depth; ++i) xml += "<e>";
  for (int i = 0; i < depth; ++i) xml += "</e>";
  return xml;
}

TEST(SafeXmlRead, RefusesWhatTheRulesForbidAndSaysWhy) {
  struct Case {
    const char* label;
    std::string xml;
    safexml::ReadRules rules;
    Refusal refusal;
  };
  safexml::ReadRules shallow;
  shallow.maxDepth = 3;
  safexml::ReadRules checkOnly;
  checkOnly.buildTree = false;
  safexml::ReadRules strictNamespaces;
  strictNamespaces.namespacesWellFormed = true;
  const Case cases[] = {
      {"plain", "<a x=\"&amp;\"><b/>text</a>", {}, Refusal::kNone},
      {"three deep within three", Nested(3), shallow, Refusal::kNone},
      {"four deep beyond three", Nested(4), shallow, Refusal::kTooDeep},
      {"beyond libxml2's bound", Nested(300), {}, Refusal::kTooDeep},
      {"internal subset", "<!DOCTYPE a [<!ENTITY e \"boom\">]><a>&e;</a>", {}, Refusal::kDocumentType},
      {"external subset", "<!DOCTYPE a SYSTEM \"http://example.invalid/a.dtd\"><a/>", {}, Refusal::kDocumentType},
      {"doctype, only checked", "<!DOCTYPE a><a/>", checkOnly, Refusal::kDocumentType},
      {"undefined entity", "<a>&e;</a>", {}, Refusal::kMalformed},
      {"unclosed", "<a><b></a>", {}, Refusal::kMalformed},
      {"empty", "", {}, Refusal::kMalformed},
      {"undeclared prefix, lenient", "<p:a/>", {}, Refusal::kNone},
      {"undeclared prefix, strict", "<p:a/>", strictNamespaces, Refusal::kMalformed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const safexml::ReadResult read = safexml::Read(c.xml, c.rules);
    EXPECT_EQ(read.refusal, c.refusal);
    EXPECT_EQ(read.document != nullptr, c.refusal == Refusal::kNone);
  }
}

TEST(SafeXmlRead, BuildsTheTreeOrOnlyChecks) {
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n<b c=\"1\"/></a>";
  const safexml::ReadResult tree = safexml::Read(xml);
  ASSERT_NE(tree.document, nullptr);
  const xmlNode* root = xmlDocGetRootElement(tree.document.get());
  ASSERT_NE(root, nullptr);
  const xmlNode* b = xmlFirstElementChild(const_cast<xmlNode*>(root));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(safexml::Attribute(b, "c"), "1");
  EXPECT_EQ(safexml::Attribute(b, "d"), std::nullopt);

  safexml::ReadRules checkOnly;
  checkOnly.buildTree = false;
  const safexml::ReadResult checked = safexml::Read(xml, checkOnly);
  ASSERT_NE(checked.document, nullptr);
  EXPECT_EQ(xmlDocGetRootElement(checked.document.get()), nullptr);
  EXPECT_STREQ(reinterpret_cast<const char*>(checked.document->encoding), "UTF-8");
  EXPECT_EQ(safexml::Read("<a/><b/>", checkOnly).refusal, Refusal::kMalformed);

  const safexml::ReadResult broken = safexml::Read("<a>\n\n<b></a>");
  EXPECT_EQ(broken.refusal, Refusal::kMalformed);
  EXPECT_EQ(broken.line, 3);
  EXPECT_FALSE(broken.message.empty());
  EXPECT_NE(broken.message.back(), '\n');
}

TEST(EscapedXml, WritesEveryCharacterThatCannotStandLiterallyAsAReference) {
  struct Case {
    std::string text, escaped;
  };
  const Case cases[] = {
      {"a&b<c>\"d'e", "a&amp;b&lt;c&gt;&quot;d&apos;e"},
      {"tab\tline\ncarriage\r", "tab&#x9;line&#xA;carriage&#xD;"},
      {"&amp;", "&amp;amp;"},
      {"<<only references>>", "&lt;&lt;only references&gt;&gt;"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},  // UTF-8 passes through
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EscapedXml(c.text), c.escaped);
    std::u16string wide;
    for (const char ch : c.text) wide.push_back(static_cast<unsigned char>(ch));
    std::u16string wideEscaped;
    for (const char ch : c.escaped) wideEscaped.push_back(static_cast<unsigned char>(ch));
    std::u16string appended = u"x";
    AppendEscapedXml(appended, std::u16string_view(wide));
    EXPECT_EQ(appended, u"x" + wideEscaped);
  }
}

}  // namespace
