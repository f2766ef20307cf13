// Calendar time: SYSTEMTIME and FILETIME conversions, and UTC to local time
// by the zone's rule.
#include "platform/system_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TEST(SystemTime, ConvertsBothWaysAndFillsTheDayOfTheWeek) {
  struct Case {
    const char* label;
    SYSTEMTIME time;
    std::uint64_t ticks;
    WORD dayOfWeek;
  };
  const Case cases[] = {
      {"the first moment", {1601, 1, 0, 1, 0, 0, 0, 0}, 0, 1},
      {"the Unix epoch", {1970, 1, 0, 1, 0, 0, 0, 0}, 116444736000000000ull, 4},
      {"a leap day with milliseconds", {2024, 2, 0, 29, 23, 59, 59, 999}, 133537247999990000ull, 4},
      {"a Saturday afternoon", {2024, 3, 0, 9, 13, 5, 7, 0}, 133544631070000000ull, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FILETIME file{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &file));
    EXPECT_EQ(Ticks(file), c.ticks);
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&file, &back));
    EXPECT_EQ(back.wYear, c.time.wYear);
    EXPECT_EQ(back.wMonth, c.time.wMonth);
    EXPECT_EQ(back.wDay, c.time.wDay);
    EXPECT_EQ(back.wHour, c.time.wHour);
    EXPECT_EQ(back.wMilliseconds, c.time.wMilliseconds);
    EXPECT_EQ(back.wDayOfWeek, c.dayOfWeek);
  }
}

TEST(SystemTime, RefusesFieldsOutOfRange) {
  const SYSTEMTIME refused[] = {
      {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0}, {1600, 12, 0, 31, 0, 0, 0, 0},
      {2024, 1, 0, 1, 24, 0, 0, 0}, {2024, 1, 0, 1, 0, 0, 0, 1000}, {0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const SYSTEMTIME& time : refused) {
    SCOPED_TRACE(testing::Message() << time.wYear << "-" << time.wMonth << "-" << time.wDay);
    FILETIME file{};
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&time, &file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  const FILETIME negative{0, 0x80000000};
  SYSTEMTIME time{};
  EXPECT_FALSE(FileTimeToSystemTime(&negative, &time));
  EXPECT_FALSE(SystemTimeToFileTime(nullptr, nullptr));
}

TEST(SystemTime, LocalTimeFollowsTheZone) {
  const char* saved = std::getenv("TZ");
  const std::string restore = saved ? saved : "";
  setenv("TZ", "JST-9", 1);
  tzset();
  const SYSTEMTIME utc{2024, 3, 0, 9, 20, 30, 0, 0};
  FILETIME file{};
  FILETIME local{};
  SYSTEMTIME shifted{};
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &file));
  ASSERT_TRUE(FileTimeToLocalFileTime(&file, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &shifted));
  EXPECT_EQ(shifted.wDay, 10);
  EXPECT_EQ(shifted.wHour, 5);
  EXPECT_EQ(shifted.wDayOfWeek, 0);

  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::time_t seconds = std::time(nullptr);
  std::tm tm{};
  localtime_r(&seconds, &tm);
  EXPECT_EQ(now.wYear, tm.tm_year + 1900);
  EXPECT_EQ(now.wDayOfWeek, tm.tm_wday);
  if (saved) {
    setenv("TZ", restore.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
