// JSON descriptions of the settings records, for the tool that shows what
// the filters read from a ticket. Members keep the records' field names;
// enumerations are {"index": i, "name": n} (name null outside its table);
// each reader's HRESULT is given by name under "hresult".
#pragma once

#include <string>

#include "platform/xml_dom.h"
#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"
#include "ticket/imageable_area.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/json_writer.h"
#include "ticket/media_size_settings.h"
#include "ticket/mirror_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/poster_settings.h"

// HresultName, knowing S_SETTINGS_DEFAULTED too.
std::string SettingsHresultName(HRESULT hr);

// The members of one record (inside an object the caller opened).
void DescribeFields(JsonWriter& json, const MediaSizeSettings& settings);
void DescribeFields(JsonWriter& json, const ImageableArea& area);
void DescribeFields(JsonWriter& json, const JobInfoSettings& settings);
void DescribeFields(JsonWriter& json, const DuplexSettings& settings);
void DescribeFields(JsonWriter& json, const BindingSettings& settings);
void DescribeFields(JsonWriter& json, const NUpSettings& settings);
void DescribeFields(JsonWriter& json, const PosterSettings& settings);
void DescribeFields(JsonWriter& json, const InputBinSettings& settings);
void DescribeFields(JsonWriter& json, const MirrorSettings& settings);

// Every record the readers produce from the ticket, each from its defaults:
// an object with the members mediaSize, imageableArea (from capabilities,
// E_PENDING when it is NULL), jobInfo, duplex, binding, nUp, poster, inputBin
// and mirror. Fails only when the ticket cannot be wrapped (json unchanged).
HRESULT DescribeSettingsJson(IXMLDOMDocument2* ticket, IXMLDOMDocument2* capabilities, std::string* json);
