// The attributes of the start tag being reported. One object serves a whole parse:
// the reader refills it for every start tag and empties it after the callback, so
// a handler that keeps a reference sees no attributes rather than stale ones.
#pragma once

#include <vector>

#include "platform/com_object.h"
#include "platform/xml_sax.h"
#include "utf16_arena.h"

class SaxAttributes final : public ComObject<ISAXAttributes> {
 public:
  struct Entry {
    Utf16Span uri;
    Utf16Span localName;
    Utf16Span qName;
    Utf16Span value;
  };

  // Where the strings of the entries are converted.
  Utf16Arena& Strings() { return strings_; }
  void Add(const Entry& entry) { entries_.push_back(entry); }
  void Clear();

  HRESULT getLength(int* length) override;
  HRESULT getName(int index, const WCHAR** uri, int* cchUri, const WCHAR** localName, int* cchLocalName,
                  const WCHAR** qName, int* cchQName) override;
  HRESULT getQName(int index, const WCHAR** qName, int* cchQName) override;
  HRESULT getValue(int index, const WCHAR** value, int* cchValue) override;
  HRESULT getIndexFromQName(const WCHAR* qName, int cchQName, int* index) override;
  HRESULT getValueFromQName(const WCHAR* qName, int cchQName, const WCHAR** value, int* cchValue) override;

 private:
  const Entry* Find(int index) const;
  HRESULT Put(Utf16Span s, const WCHAR** text, int* length) const;

  Utf16Arena strings_;
  std::vector<Entry> entries_;
};
