// The document position for the content handler: live from the parser while a
// parse runs, frozen at the last position once it ends (the locator may outlive it).
#pragma once

#include <libxml/parser.h>

#include "platform/com_object.h"
#include "platform/xml_sax.h"

class SaxLocator final : public ComObject<ISAXLocator> {
 public:
  void Follow(xmlParserCtxtPtr parser);
  void Freeze();

  HRESULT getLineNumber(int* line) override;
  HRESULT getColumnNumber(int* column) override;

 private:
  xmlParserCtxtPtr parser_ = nullptr;
  int line_ = 1;
  int column_ = 1;
};
