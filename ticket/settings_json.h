// JSON descriptions of the settings records, for the tool that shows what
// the filters read from a ticket. Members keep the records' field names, in
// their order; enumerations are {"index": i, "name": n} with the name from the
// field's own table (null outside it); each reader's HRESULT is given by name
// under "hresult". Texts that are not well-formed UTF-16 show U+FFFD for each
// stray surrogate.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "platform/xml_dom.h"
#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"
#include "ticket/header_footer_settings.h"
#include "ticket/imageable_area.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/media_size_settings.h"
#include "ticket/mirror_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/poster_settings.h"

// HresultName, knowing S_SETTINGS_DEFAULTED too.
std::string SettingsHresultName(HRESULT hr);

// Keeps the members in the order they are set.
using OrderedJson = nlohmann::ordered_json;

// The members of one record, as an object.
OrderedJson DescribeFields(const MediaSizeSettings& settings);
OrderedJson DescribeFields(const ImageableArea& area);
OrderedJson DescribeFields(const JobInfoSettings& settings);
OrderedJson DescribeFields(const DuplexSettings& settings);
OrderedJson DescribeFields(const BindingSettings& settings);
OrderedJson DescribeFields(const NUpSettings& settings);
OrderedJson DescribeFields(const PosterSettings& settings);
OrderedJson DescribeFields(const InputBinSettings& settings);
OrderedJson DescribeFields(const MirrorSettings& settings);
OrderedJson DescribeFields(const HeaderFooterOptions& options);

// Every record the readers produce from the ticket, each from its defaults:
// an object with the members mediaSize, imageableArea (from capabilities,
// E_PENDING when it is NULL), jobInfo, duplex, binding, nUp, poster, inputBin
// and mirror. Fails only when the ticket cannot be wrapped (json unchanged).
HRESULT DescribeSettingsJson(IXMLDOMDocument2* ticket, IXMLDOMDocument2* capabilities, std::string* json);
