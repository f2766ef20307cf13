#include "platform/system_info.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

struct LanguageId {
  std::string_view locale;  // language, or language_TERRITORY
  LANGID id;
};

// Territories first, so that "pt_BR" finds its own before "pt".
constexpr std::array<LanguageId, 28> kLanguages = {{
    {"en_GB", 0x0809}, {"pt_BR", 0x0416}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"fr_CA", 0x0C0C},
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"es_MX", 0x080A}, {"ar", 0x0401},    {"cs", 0x0405},
    {"da", 0x0406},    {"de", 0x0407},    {"el", 0x0408},    {"en", 0x0409},    {"es", 0x0C0A},
    {"fi", 0x040B},    {"fr", 0x040C},    {"he", 0x040D},    {"hu", 0x040E},    {"it", 0x0410},
    {"ja", 0x0411},    {"ko", 0x0412},    {"nl", 0x0413},    {"nb", 0x0414},    {"pl", 0x0415},
    {"pt", 0x0816},    {"ru", 0x0419},    {"zh", 0x0804},
}};

constexpr LANGID kEnglishUnitedStates = 0x0409;

std::string_view LocaleName() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(variable); value && *value) return value;
  return "C";
}

}  // namespace

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *info = OSVERSIONINFOW{sizeof(OSVERSIONINFOW), 6, 1, 7601, VER_PLATFORM_WIN32_NT, {}};
  return TRUE;
}

LANGID GetSystemDefaultLangID() {
  std::string_view locale = LocaleName();
  locale = locale.substr(0, locale.find_first_of(".@"));
  for (const LanguageId& language : kLanguages)
    if (locale == language.locale || locale.substr(0, locale.find('_')) == language.locale) return language.id;
  return kEnglishUnitedStates;
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
