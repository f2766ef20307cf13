#include "platform/system_time.h"

#include <chrono>
#include <ctime>
#include <optional>

#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

using namespace std::chrono;

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;

BOOL Fail() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FromTicks(std::int64_t ticks) {
  const auto bits = static_cast<std::uint64_t>(ticks);
  return {static_cast<DWORD>(bits & 0xFFFFFFFF), static_cast<DWORD>(bits >> 32)};
}

SYSTEMTIME Fields(sys_days day, std::int64_t ticksOfDay) {
  const year_month_day date(day);
  const weekday dayOfWeek(day);
  const std::int64_t ms = ticksOfDay / 10000;
  return {static_cast<WORD>(static_cast<int>(date.year())), static_cast<WORD>(static_cast<unsigned>(date.month())),
          static_cast<WORD>(dayOfWeek.c_encoding()),        static_cast<WORD>(static_cast<unsigned>(date.day())),
          static_cast<WORD>(ms / 3600000),                  static_cast<WORD>(ms / 60000 % 60),
          static_cast<WORD>(ms / 1000 % 60),                static_cast<WORD>(ms % 1000)};
}

// Seconds since 1970 to calendar fields, by the time zone or as UTC.
SYSTEMTIME Now(bool local) {
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  if (local) {
    localtime_r(&seconds, &tm);
  } else {
    gmtime_r(&seconds, &tm);
  }
  return {static_cast<WORD>(tm.tm_year + 1900), static_cast<WORD>(tm.tm_mon + 1), static_cast<WORD>(tm.tm_wday),
          static_cast<WORD>(tm.tm_mday),        static_cast<WORD>(tm.tm_hour),    static_cast<WORD>(tm.tm_min),
          static_cast<WORD>(tm.tm_sec),         static_cast<WORD>(ms)};
}

}  // namespace

void GetLocalTime(SYSTEMTIME* time) {
  if (time) *time = Now(true);
}

void GetSystemTime(SYSTEMTIME* time) {
  if (time) *time = Now(false);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file) {
  if (!system || !file) return Fail();
  const year_month_day date{year(system->wYear), month(system->wMonth), day(system->wDay)};
  if (!date.ok() || system->wYear < 1601 || system->wYear > 30827 || system->wHour > 23 || system->wMinute > 59 ||
      system->wSecond > 59 || system->wMilliseconds > 999)
    return Fail();
  const std::int64_t days = sys_days(date).time_since_epoch().count();
  const std::int64_t seconds = days * 86400 + system->wHour * 3600 + system->wMinute * 60 + system->wSecond;
  *file = FromTicks(kEpochTicks + seconds * kTicksPerSecond + system->wMilliseconds * 10000);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system) {
  if (!file || !system) return Fail();
  const std::int64_t ticks = Ticks(*file);
  if (ticks < 0) return Fail();
  const std::int64_t since1970 = ticks - kEpochTicks;
  std::int64_t days = since1970 / (86400 * kTicksPerSecond);
  std::int64_t rest = since1970 % (86400 * kTicksPerSecond);
  if (rest < 0) {
    rest += 86400 * kTicksPerSecond;
    --days;
  }
  *system = Fields(sys_days(std::chrono::days(days)), rest);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  if (!utc || !local) return Fail();
  const std::int64_t ticks = Ticks(*utc);
  if (ticks < 0) return Fail();
  const std::time_t seconds = static_cast<std::time_t>((ticks - kEpochTicks) / kTicksPerSecond);
  std::tm tm{};
  if (!localtime_r(&seconds, &tm)) return Fail();
  const std::int64_t shifted = ticks + static_cast<std::int64_t>(tm.tm_gmtoff) * kTicksPerSecond;
  if (shifted < 0) return Fail();
  *local = FromTicks(shifted);
  return TRUE;
}
