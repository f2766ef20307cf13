#include "font_match.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <mutex>

#include "platform/gdi_font.h"
#include "platform/utf.h"

namespace {

// A handful of candidates is plenty: past the first few fontconfig is guessing.
constexpr int kMaxCandidates = 8;

const char* LanguageOf(BYTE charSet) {
  switch (charSet) {
    case ANSI_CHARSET: return "en";
    case SHIFTJIS_CHARSET: return "ja";
    case HANGUL_CHARSET: return "ko";
    case GB2312_CHARSET: return "zh-cn";
    case CHINESEBIG5_CHARSET: return "zh-tw";
    case GREEK_CHARSET: return "el";
    case TURKISH_CHARSET: return "tr";
    case HEBREW_CHARSET: return "he";
    case ARABIC_CHARSET: return "ar";
    case BALTIC_CHARSET: return "lt";
    case RUSSIAN_CHARSET: return "ru";
    case THAI_CHARSET: return "th";
    case EASTEUROPE_CHARSET: return "pl";
    default: return nullptr;  // DEFAULT_CHARSET and the rest: no language preference
  }
}

bool IsOutlineSfnt(FcPattern* font) {
  FcBool outline = FcFalse;
  FcChar8* format = nullptr;
  if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) return false;
  if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
  const std::string_view f(reinterpret_cast<const char*>(format));
  return f == "TrueType" || f == "CFF";
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

struct ConfigDeleter {
  void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};

std::mutex& FontconfigMutex() {
  static std::mutex mutex;
  return mutex;
}

// The process's own configuration, loaded once and released at exit (the
// library's implicit default one is never freed). Call with the lock held.
FcConfig* Fontconfig() {
  static const std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
  return config.get();
}

}  // namespace

std::vector<FontFileLocation> MatchFontFaces(std::u16string_view family, LONG weight, bool italic, BYTE charSet) {
  if (!family.empty() && family.front() == u'@') family.remove_prefix(1);
  const std::optional<std::string> name = Utf16ToUtf8(family);
  if (!name) return {};

  const std::lock_guard lock(FontconfigMutex());
  FcConfig* config = Fontconfig();
  if (!config) return {};
  const std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
  if (!pattern) return {};
  if (!name->empty()) FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name->c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (const char* language = LanguageOf(charSet))
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>(language));
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  const std::unique_ptr<FcFontSet, FontSetDeleter> sorted(FcFontSort(config, pattern.get(), FcTrue, nullptr, &result));
  std::vector<FontFileLocation> found;
  if (!sorted) return found;
  for (int i = 0; i < sorted->nfont && static_cast<int>(found.size()) < kMaxCandidates; ++i) {
    const std::unique_ptr<FcPattern, PatternDeleter> font(FcFontRenderPrepare(config, pattern.get(), sorted->fonts[i]));
    if (!font || !IsOutlineSfnt(font.get())) continue;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font.get(), FC_INDEX, 0, &index);
    // The high bits number a variable font's named instance; the face is the low 16.
    found.push_back({reinterpret_cast<const char*>(file), index & 0xFFFF});
  }
  return found;
}
