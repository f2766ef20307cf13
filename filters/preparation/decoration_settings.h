// What one page's decoration is drawn from: the ticket's records for it, the
// job's identity (printer, user, print time) and the pipeline's properties.
// Every decoration and the resource it embeds keep a copy.
#pragma once

#include "platform/filter_pipeline.h"
#include "platform/spooler.h"
#include "platform/unknown.h"
#include "ticket/header_footer_settings.h"
#include "ticket/job_info_settings.h"

enum class DecorationKind : LONG { HeaderFooter, Watermark };

// What a decoration draws.
enum class DecorationContent { Nothing, Text, Bitmap };

struct DecorationSettings {
  DecorationKind kind = DecorationKind::HeaderFooter;
  // The property "PrinterHandle" and "UserSecurityToken"; none for a watermark.
  HANDLE printer = nullptr;
  HANDLE userToken = nullptr;
  // --- Watermark: WatermarkOptions and the page's effective WatermarkItem
  // (defaults for a header/footer) go here. ---
  // --- Header/footer (defaults for a watermark) ---
  HeaderFooterOptions headerFooter;
  JobInfoSettings jobInfo;  // only its DefaultUserName is used
  SYSTEMTIME printTime{};   // local time; all 0 for a watermark
  ComPtr<IPrintPipelinePropertyBag> properties;
};

// A header/footer is text when it is on and prints a part: the date or the
// time (these need the printer, which knows the driver's names), the user's
// name, or a custom ID that is not empty.
DecorationContent DecorationType(const DecorationSettings& settings);
