// The wrapper through which every reader and writer of the system works on a
// print ticket or print capabilities document: it learns the namespace
// prefixes the document itself declares on its root, builds the XPath texts
// with them, reads option names and values, and edits the document.
//
// Prefixes are kept with their colon ("psk:"), so that a qualified name is the
// plain concatenation prefix + local name; a namespace the root does not
// declare has the empty prefix. The wrapper never declares a namespace.
//
// Results: the low-level selections report a missing item as S_FALSE, the
// named readers as HRESULT_FROM_WIN32(ERROR_NOT_FOUND) (kTicketItemNotFound),
// which settings readers take as "keep the default". Errors of the document
// (an XPath with an unbound prefix, for example) are returned unchanged.
// Out pointers may not be NULL (E_POINTER); outputs are written on success only.
#pragma once

#include <string_view>

#include "platform/bstr.h"
#include "platform/unknown.h"
#include "platform/xml_dom.h"
#include "ticket/xpath_query.h"

inline constexpr HRESULT kTicketItemNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

class PrintTicketDom {
 public:
  // rootName is "PrintTicket" or "PrintCapabilities". Throws HResultError:
  // E_PENDING without a document, E_FAIL when the document has no such root or
  // its root declares no prefix for the Print Schema Framework namespace, and
  // the document's own errors.
  PrintTicketDom(std::u16string_view rootName, std::u16string_view privateNamespaceUri, IXMLDOMDocument2* document);
  PrintTicketDom(const PrintTicketDom&) = delete;
  PrintTicketDom& operator=(const PrintTicketDom&) = delete;

  IXMLDOMDocument2* Document() const { return document_.Get(); }
  std::u16string_view RootName() const { return rootName_.View(); }
  bool IsCapabilities() const { return isCapabilities_; }
  std::u16string_view FrameworkPrefix() const { return frameworkPrefix_.View(); }
  std::u16string_view KeywordsPrefix() const { return keywordsPrefix_.View(); }
  std::u16string_view SchemaPrefix() const { return schemaPrefix_.View(); }
  std::u16string_view SchemaInstancePrefix() const { return schemaInstancePrefix_.View(); }
  std::u16string_view PrivatePrefix() const { return privatePrefix_.View(); }
  std::u16string_view PrivateNamespaceUri() const { return privateNamespaceUri_.View(); }
  bool PrivateNamespaceDeclared() const { return privateNamespaceDeclared_; }

  // An empty query over this document's framework prefix.
  XPathQuery NewQuery() const { return XPathQuery(FrameworkPrefix()); }

  // --- Selection ---
  // The first match, or S_FALSE. An empty query is E_INVALIDARG.
  HRESULT SelectSingle(std::u16string_view query, ComPtr<IXMLDOMNode>* node) const;
  // Every match; an empty query is E_FAIL.
  HRESULT SelectAll(std::u16string_view query, ComPtr<IXMLDOMNodeList>* nodes) const;
  // The root element, found with the document's own framework prefix.
  HRESULT SelectRoot(ComPtr<IXMLDOMNode>* root) const;
  // The text of the node's attribute, or S_FALSE.
  HRESULT GetAttribute(IXMLDOMNode* node, std::u16string_view name, Bstr* text) const;
  // S_OK, or kTicketItemNotFound.
  HRESULT NodeExists(std::u16string_view query) const;

  // --- Values ---
  // The text of the matched node's Value child, or through its ParameterRef
  // child the value of the ParameterInit of that name anywhere in the document;
  // S_FALSE when there is neither.
  HRESULT GetValueText(std::u16string_view query, Bstr* text) const;
  // GetValueText with a missing value as kTicketItemNotFound.
  HRESULT GetValue(std::u16string_view query, Bstr* text) const;
  // GetValue read as a decimal integer (see ParseTicketInteger: "12.5" is 12, "abc" is 0).
  HRESULT GetValueInt(std::u16string_view query, LONG* value) const;
  // The selected option of the feature prefix + feature (its Option's name, or
  // the Value of its ScoredProperty keywords:OptionName), without the
  // namespace prefix; isPrivate tells whether the prefix was the private one.
  HRESULT GetFeatureOption(std::u16string_view prefix, std::u16string_view feature, Bstr* option,
                           BOOL* isPrivate) const;
  // The same for a feature nested in another; an option without a name is
  // kTicketItemNotFound.
  HRESULT GetSubFeatureOption(std::u16string_view prefix, std::u16string_view feature,
                              std::u16string_view subPrefix, std::u16string_view subFeature, Bstr* option,
                              BOOL* isPrivate) const;
  // A keywords scored property anywhere in a keywords feature (local names).
  HRESULT GetScoredPropertyText(std::u16string_view feature, std::u16string_view scoredProperty, Bstr* text) const;
  HRESULT GetScoredPropertyInt(std::u16string_view feature, std::u16string_view scoredProperty, LONG* value) const;
  // S_OK or kTicketItemNotFound for a keywords feature.
  HRESULT FeatureExists(std::u16string_view feature) const;
  // Removes a leading private prefix (isPrivate 1) or keywords prefix
  // (isPrivate 0); any other name stays as it is. An empty name is E_INVALIDARG.
  HRESULT StripPrefix(Bstr* name, BOOL* isPrivate) const;

  // --- Removal ---
  // S_OK, or S_FALSE when the node has no parent.
  HRESULT RemoveNode(IXMLDOMNode* node);
  // Removes every keywords (private) feature of that name together with the
  // ParameterInit elements its ParameterRefs name; S_FALSE once none is left.
  HRESULT RemoveFeature(std::u16string_view name);
  HRESULT RemovePrivateFeature(std::u16string_view name);
  // The first private Property / keywords ParameterInit / private
  // ParameterInit of that name: S_OK when one was removed, S_FALSE otherwise.
  HRESULT RemoveProperty(std::u16string_view name);
  HRESULT RemoveParameterInit(std::u16string_view name);
  HRESULT RemovePrivateParameterInit(std::u16string_view name);
  // Every private Property / ParameterInit (prefix + name) of that name, so
  // that a writer leaves no stale duplicate for the readers to find first:
  // S_OK when at least one was removed, S_FALSE otherwise.
  HRESULT RemoveEveryProperty(std::u16string_view name);
  HRESULT RemoveEveryParameterInit(std::u16string_view prefix, std::u16string_view name);

  // --- Creation ---
  // Each builds a detached element in the framework namespace, named with the
  // document's framework prefix; the caller appends it. A name attribute holds
  // prefix + name. A Value carries xsi:type = xsd:<type> with the document's
  // own prefixes, and its text.
  HRESULT CreateElement(std::u16string_view qualifiedName, ComPtr<IXMLDOMElement>* element);
  // namespaceUri empty: an attribute in no namespace.
  HRESULT SetAttribute(IXMLDOMElement* element, std::u16string_view qualifiedName, std::u16string_view namespaceUri,
                       std::u16string_view value);
  HRESULT CreateProperty(std::u16string_view prefix, std::u16string_view name, ComPtr<IXMLDOMElement>* property);
  HRESULT CreatePropertyValue(std::u16string_view prefix, std::u16string_view name, std::u16string_view type,
                              std::u16string_view text, ComPtr<IXMLDOMElement>* property);
  HRESULT CreatePropertyInt(std::u16string_view prefix, std::u16string_view name, LONG value,
                            ComPtr<IXMLDOMElement>* property);
  HRESULT CreateScoredProperty(std::u16string_view prefix, std::u16string_view name,
                               ComPtr<IXMLDOMElement>* scoredProperty);
  HRESULT CreateScoredPropertyValue(std::u16string_view prefix, std::u16string_view name, std::u16string_view type,
                                    std::u16string_view text, ComPtr<IXMLDOMElement>* scoredProperty);
  HRESULT CreateScoredPropertyString(std::u16string_view prefix, std::u16string_view name, std::u16string_view text,
                                     ComPtr<IXMLDOMElement>* scoredProperty);
  HRESULT CreateScoredPropertyInt(std::u16string_view prefix, std::u16string_view name, LONG value,
                                  ComPtr<IXMLDOMElement>* scoredProperty);
  // A ScoredProperty holding child (a ParameterRef, for example).
  HRESULT AppendScoredProperty(std::u16string_view prefix, std::u16string_view name, IXMLDOMNode* child,
                               ComPtr<IXMLDOMElement>* scoredProperty);
  // A ParameterRef (only when reference is not NULL) and a ParameterInit of
  // the same name holding one Value.
  HRESULT CreateParameter(std::u16string_view prefix, std::u16string_view name, std::u16string_view type,
                          std::u16string_view value, ComPtr<IXMLDOMElement>* reference,
                          ComPtr<IXMLDOMElement>* initialiser);
  HRESULT CreateKeywordsParameterInt(std::u16string_view name, LONG value, ComPtr<IXMLDOMElement>* reference,
                                     ComPtr<IXMLDOMElement>* initialiser);
  HRESULT CreatePrivateParameterInt(std::u16string_view name, LONG value, ComPtr<IXMLDOMElement>* initialiser);
  // A Feature named with the private or keywords prefix holding one Option
  // without a name; option may be NULL.
  HRESULT CreateFeature(bool isPrivate, std::u16string_view name, ComPtr<IXMLDOMElement>* feature,
                        ComPtr<IXMLDOMElement>* option);
  // CreateFeature with a named option; option may be NULL.
  HRESULT CreateFeatureWithOption(bool featureIsPrivate, std::u16string_view featureName, bool optionIsPrivate,
                                  std::u16string_view optionName, ComPtr<IXMLDOMElement>* feature,
                                  ComPtr<IXMLDOMElement>* option);
  // An Option, named when name is not empty; in print capabilities also
  // constrained = keywords:None.
  HRESULT CreateOption(std::u16string_view prefix, std::u16string_view name, ComPtr<IXMLDOMElement>* option);
  // A Feature without children.
  HRESULT CreateFeatureElement(std::u16string_view prefix, std::u16string_view name,
                               ComPtr<IXMLDOMElement>* feature);

 private:
  std::u16string_view PrefixOf(bool isPrivate) const { return isPrivate ? PrivatePrefix() : KeywordsPrefix(); }
  HRESULT OptionOf(XPathQuery& query, bool requireName, Bstr* option, BOOL* isPrivate) const;
  HRESULT RemoveFeatures(std::u16string_view prefix, std::u16string_view name);
  HRESULT RemoveFeatureOnce(std::u16string_view featureQuery, IXMLDOMNode* feature);
  HRESULT RemoveFirst(std::u16string_view query);
  HRESULT RemoveEvery(std::u16string_view query);
  HRESULT CreateNamed(std::u16string_view element, std::u16string_view prefix, std::u16string_view name,
                      ComPtr<IXMLDOMElement>* created);
  HRESULT CreateValue(std::u16string_view type, std::u16string_view text, ComPtr<IXMLDOMElement>* value);
  HRESULT CreateNamedWithValue(std::u16string_view element, std::u16string_view prefix, std::u16string_view name,
                               std::u16string_view type, std::u16string_view text, ComPtr<IXMLDOMElement>* created);

  ComPtr<IXMLDOMDocument2> document_;
  Bstr rootName_;
  bool isCapabilities_ = false;
  Bstr schemaPrefix_;
  Bstr schemaInstancePrefix_;
  Bstr frameworkPrefix_;
  Bstr keywordsPrefix_;
  Bstr privatePrefix_;
  Bstr privateNamespaceUri_;
  bool privateNamespaceDeclared_ = false;
};
