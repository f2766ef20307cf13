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
      switch (DrawnWatermarkType(settings.watermark, settings.watermarkItem)) {
        case WatermarkType::Text: return DecorationContent::Text;
        case WatermarkType::Bitmap: return DecorationContent::Bitmap;
        default: return DecorationContent::Nothing;
      }
  }
  return DecorationContent::Nothing;
}
