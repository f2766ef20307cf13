#include "sax_locator.h"

#include <libxml/SAX2.h>

void SaxLocator::Follow(xmlParserCtxtPtr parser) {
  parser_ = parser;
  line_ = 1;
  column_ = 1;
}

void SaxLocator::Freeze() {
  if (!parser_) return;
  line_ = xmlSAX2GetLineNumber(parser_);
  column_ = xmlSAX2GetColumnNumber(parser_);
  parser_ = nullptr;
}

HRESULT SaxLocator::getLineNumber(int* line) {
  if (!line) return E_POINTER;
  *line = parser_ ? xmlSAX2GetLineNumber(parser_) : line_;
  return S_OK;
}

HRESULT SaxLocator::getColumnNumber(int* column) {
  if (!column) return E_POINTER;
  *column = parser_ ? xmlSAX2GetColumnNumber(parser_) : column_;
  return S_OK;
}
