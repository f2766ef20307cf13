// Reading print tickets in the host's tests: the string value of an XPath over
// a ticket's text, with psf and psk bound to the Print Schema namespaces.
#pragma once

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>
#include <optional>
#include <string>

namespace kestrel::host::testing {

// nullopt when the text is not XML; "" when nothing matches.
inline std::optional<std::string> TicketValue(const std::string& xml, const std::string& xpath) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR),
      xmlFreeDoc);
  if (!doc) return std::nullopt;
  const std::unique_ptr<xmlXPathContext, void (*)(xmlXPathContext*)> context(xmlXPathNewContext(doc.get()),
                                                                            xmlXPathFreeContext);
  xmlXPathRegisterNs(context.get(), BAD_CAST "psf",
                     BAD_CAST "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework");
  xmlXPathRegisterNs(context.get(), BAD_CAST "psk",
                     BAD_CAST "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords");
  const std::string expression = "string(" + xpath + ")";
  const std::unique_ptr<xmlXPathObject, void (*)(xmlXPathObject*)> result(
      xmlXPathEvalExpression(BAD_CAST expression.c_str(), context.get()), xmlXPathFreeObject);
  if (!result || result->type != XPATH_STRING) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(result->stringval));
}

// The option name (as written, with its prefix) a ticket selects for a feature, "" when absent.
inline std::string SelectedOption(const std::string& xml, const std::string& feature) {
  return TicketValue(xml, "/psf:PrintTicket/psf:Feature[@name='" + feature + "']/psf:Option/@name").value_or("?");
}

// The value of a top-level ParameterInit, "" when absent.
inline std::string ParameterValue(const std::string& xml, const std::string& parameter) {
  return TicketValue(xml, "/psf:PrintTicket/psf:ParameterInit[@name='" + parameter + "']/psf:Value").value_or("?");
}

}  // namespace kestrel::host::testing
