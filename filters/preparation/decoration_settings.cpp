#include "decoration_settings.h"

namespace {

DecorationContent HeaderFooterType(const DecorationSettings& settings) {
  const HeaderFooterOptions& options = settings.headerFooter;
  if (options.on != OffOn::On) return DecorationContent::Nothing;
  const bool date = options.dateFormat != DateTimeFormat::None && settings.printer;
  const bool time = options.timeFormat != DateTimeFormat::None && settings.printer;
  const bool id = options.idPrint == HeaderFooterId::UserName ||
                  (options.idPrint == HeaderFooterId::Custom && !options.customId.View().empty());
  return date || time || id ? DecorationContent::Text : DecorationContent::Nothing;
}

}  // namespace

DecorationContent DecorationType(const DecorationSettings& settings) {
  switch (settings.kind) {
    case DecorationKind::HeaderFooter:
      return HeaderFooterType(settings);
    case DecorationKind::Watermark:
      // The watermark's rule goes here with its record.
      return DecorationContent::Nothing;
  }
  return DecorationContent::Nothing;
}
