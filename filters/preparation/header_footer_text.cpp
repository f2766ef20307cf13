#include "header_footer_text.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/format.h"
#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/library_loader.h"
#include "platform/string_resources.h"
#include "platform/user_identity.h"
#include "platform/variant.h"

namespace {

constexpr int kMaxArguments = 4;
constexpr int kNameLength = 200;
// Numbers in a data format or "DataTimeID" stop growing here: nothing larger
// means anything, and a long digit run cannot overflow.
constexpr std::uint32_t kNumberCap = 1000000;

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The decimal number at the start of text (0 without digits); *used counts the digits.
std::uint32_t LeadingNumber(std::u16string_view text, std::size_t* used = nullptr) {
  std::uint32_t value = 0;
  std::size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value < kNumberCap) value = value * 10 + static_cast<std::uint32_t>(text[i] - u'0');
  }
  if (used) *used = i;
  return value < kNumberCap ? value : kNumberCap;
}

std::optional<std::u16string> TextProperty(IPrintPipelinePropertyBag* properties, LPCWSTR name) {
  if (!properties) return std::nullopt;
  Variant value;
  if (properties->GetProperty(name, value.Get()) != S_OK || value->vt != VT_BSTR || !value->bstrVal)
    return std::nullopt;
  return std::u16string(value->bstrVal, SysStringLen(value->bstrVal));
}

struct ModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// The driver's language module and the first identifiers of its five lists.
class DriverNames {
 public:
  enum List { kWeekday, kWeekdayOther, kMonth, kLowerAmPm, kUpperAmPm };

  HRESULT Open(const DecorationSettings& settings) {
    std::u16string config;
    if (HRESULT hr = ConfigFile(settings.printer, &config); FAILED(hr)) return hr;
    std::u16string path = config;
    if (const std::optional<std::u16string> name = TextProperty(settings.properties.Get(), u"LangDllName64")) {
      const std::size_t separator = path.find_last_of(u"\\/:");
      if (separator != std::u16string::npos) path = path.substr(0, separator + 1) + *name;
    }
    module_.reset(LoadLibraryW(path.c_str()));
    if (!module_) module_.reset(LoadLibraryW(config.c_str()));
    if (!module_) return LastErrorResult();
    ReadBases(settings.properties.Get());
    return S_OK;
  }

  // The name at offset from the list's first identifier.
  HRESULT Load(List list, std::uint32_t offset, std::u16string* name) const {
    std::array<WCHAR, kNameLength> buffer{};
    const int length = LoadStringW(module_.get(), bases_[list] + offset, buffer.data(), kNameLength);
    if (length <= 0) return LastErrorResult();
    name->assign(buffer.data(), static_cast<std::size_t>(length));
    return S_OK;
  }

 private:
  static HRESULT ConfigFile(HANDLE printer, std::u16string* path) {
    DWORD needed = 0;
    if (!GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return LastErrorResult();
    std::vector<std::max_align_t> buffer(needed / sizeof(std::max_align_t) + 1);
    auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
    if (!GetPrinterDriverW(printer, nullptr, 2, bytes, needed, &needed)) return LastErrorResult();
    DRIVER_INFO_2W info;
    std::memcpy(&info, bytes, sizeof info);
    if (!info.pConfigFile || !*info.pConfigFile) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    *path = info.pConfigFile;
    return S_OK;
  }

  // Five comma-separated numbers; with fewer, every base is 0.
  void ReadBases(IPrintPipelinePropertyBag* properties) {
    const std::optional<std::u16string> ids = TextProperty(properties, u"DataTimeID");
    if (!ids) return;
    std::array<std::uint32_t, 5> bases{};
    std::u16string_view rest = *ids;
    for (std::size_t i = 0; i < bases.size(); ++i) {
      if (i > 0) {
        const std::size_t comma = rest.find(u',');
        if (comma == std::u16string_view::npos) return;
        rest.remove_prefix(comma + 1);
      }
      const std::size_t digits = rest.find_first_not_of(u' ');
      bases[i] = LeadingNumber(rest.substr(digits == std::u16string_view::npos ? rest.size() : digits));
    }
    for (std::size_t i = 0; i < bases.size(); ++i) bases_[i] = bases[i];
  }

  Module module_;
  std::array<UINT, 5> bases_{};
};

// The arguments a data format chooses, with the names' text kept alive for
// the formatting.
class Arguments {
 public:
  bool Full() const { return count_ == kMaxArguments; }
  void Add(std::uint32_t number) { values_[count_++] = static_cast<int>(number); }
  void AddSigned(int number) { values_[count_++] = number; }
  void Add(std::u16string text) {
    names_[count_] = std::move(text);
    isName_[count_++] = true;
  }

  HRESULT Format(const Bstr& format, std::u16string* text) const {
    std::vector<FormatArg> args;
    for (int i = 0; i < kMaxArguments; ++i) {
      const auto at = static_cast<std::size_t>(i);
      if (isName_[at]) {
        args.emplace_back(std::u16string_view(names_[at]));
      } else {
        args.emplace_back(values_[at]);
      }
    }
    const std::u16string formatText(format.View());
    Formatted<std::u16string> result = FormatWideArgs(formatText.c_str(), args);
    if (!result) return result.hr;
    *text = std::move(result.text);
    return S_OK;
  }

 private:
  int count_ = 0;
  std::array<int, kMaxArguments> values_{};
  std::array<std::u16string, kMaxArguments> names_;
  std::array<bool, kMaxArguments> isName_{};
};

HRESULT DateText(const HeaderFooterOptions& options, const SYSTEMTIME& time, const DriverNames& names,
                 std::u16string* text) {
  Arguments args;
  const auto name = [&](DriverNames::List list, std::uint32_t offset) {
    std::u16string text;
    const HRESULT hr = names.Load(list, offset, &text);
    if (SUCCEEDED(hr)) args.Add(std::move(text));
    return hr;
  };
  const std::u16string_view letters = options.dateDataFormat.View();
  for (std::size_t i = 0; i < letters.size() && !args.Full(); ++i) {
    HRESULT hr = S_OK;
    switch (letters[i]) {
      case u'd': args.Add(time.wDay); break;
      case u'm': args.Add(time.wMonth); break;
      case u'y': {
        // "y-1988" counts years from 1988, "y543" adds 543.
        std::u16string_view after = letters.substr(i + 1);
        const bool minus = after.size() >= 2 && after[0] == u'-' && IsDigit(after[1]);
        if (minus) after.remove_prefix(1);
        std::size_t used = 0;
        const auto shift = static_cast<int>(LeadingNumber(after, &used));
        args.AddSigned(minus ? time.wYear - shift : time.wYear + shift);
        i += used + (minus ? 1 : 0);
        break;
      }
      case u'M': hr = name(DriverNames::kMonth, time.wMonth - 1u); break;
      case u'W': hr = name(DriverNames::kWeekdayOther, time.wDayOfWeek); break;
      case u'w': hr = name(DriverNames::kWeekday, time.wDayOfWeek); break;
      default: break;
    }
    if (FAILED(hr)) return hr;
  }
  return args.Format(options.dateStringFormat, text);
}

HRESULT TimeText(const HeaderFooterOptions& options, const SYSTEMTIME& time, const DriverNames& names,
                 std::u16string* text) {
  Arguments args;
  for (const char16_t letter : options.timeDataFormat.View()) {
    if (args.Full()) break;
    switch (letter) {
      case u'h': args.Add(time.wHour); break;
      case u'H': args.Add(time.wHour % 12 == 0 ? 12u : time.wHour % 12u); break;
      case u'm': args.Add(time.wMinute); break;
      case u's': args.Add(time.wSecond); break;
      case u'A':
      case u'a': {
        std::u16string marker;
        const auto list = letter == u'A' ? DriverNames::kUpperAmPm : DriverNames::kLowerAmPm;
        if (FAILED(names.Load(list, time.wHour / 12u, &marker))) marker = time.wHour < 12 ? u"AM" : u"PM";
        args.Add(std::move(marker));
        break;
      }
      default: break;
    }
  }
  return args.Format(options.timeStringFormat, text);
}

// The name of the user the token stands for; empty when it cannot be had.
std::u16string TokenUserName(HANDLE token) {
  if (!token || !ImpersonateLoggedOnUser(token)) return {};
  std::array<WCHAR, UNLEN + 1> buffer{};
  DWORD size = UNLEN + 1;
  const BOOL named = GetUserNameW(buffer.data(), &size);
  RevertToSelf();
  if (!named || size == 0) return {};
  return std::u16string(buffer.data(), size - 1);
}

std::u16string IdText(const DecorationSettings& settings) {
  const HeaderFooterOptions& options = settings.headerFooter;
  switch (options.idPrint) {
    case HeaderFooterId::Custom: return std::u16string(options.customId.View());
    case HeaderFooterId::UserName:
      if (!settings.jobInfo.userName.View().empty()) return std::u16string(settings.jobInfo.userName.View());
      return TokenUserName(settings.userToken);
    case HeaderFooterId::None: break;
  }
  return {};
}

// A surrogate without its partner (from a string resource, say) becomes
// U+FFFD: page markup must stay valid UTF-16.
void ReplaceUnpairedSurrogates(std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      text[i] = 0xFFFD;
    }
  }
}

void Join(std::u16string& text, std::u16string_view part) {
  if (part.empty()) return;
  if (!text.empty()) text += u' ';
  text += part;
}

}  // namespace

HRESULT ComposeText(const DecorationSettings& settings, std::u16string* text) {
  if (!text) return E_POINTER;
  text->clear();
  const HeaderFooterOptions& options = settings.headerFooter;
  const bool date = options.dateFormat != DateTimeFormat::None;
  const bool time = options.timeFormat != DateTimeFormat::None;
  std::u16string dateText;
  std::u16string timeText;
  // The driver's names are needed only for a date or a time; an ID alone
  // prints without them.
  if (date || time) {
    DriverNames names;
    if (HRESULT hr = names.Open(settings); FAILED(hr)) return hr;
    if (date) {
      if (HRESULT hr = DateText(options, settings.printTime, names, &dateText); FAILED(hr)) return hr;
    }
    if (time) {
      if (HRESULT hr = TimeText(options, settings.printTime, names, &timeText); FAILED(hr)) return hr;
    }
  }
  std::u16string composed = std::move(dateText);
  Join(composed, timeText);
  Join(composed, IdText(settings));
  ReplaceUnpairedSurrogates(composed);
  *text = std::move(composed);
  return S_OK;
}
