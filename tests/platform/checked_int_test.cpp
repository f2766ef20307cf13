#include "platform/checked_int.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

// Every conversion from one source value, checked and unchecked, against
// whether the target can hold it.
struct Case {
  const char* label;
  long long value;
  bool fitsInt;
  bool fitsUint32;
  bool fitsInt16;
};

TEST(CheckedInt, ConvertsWhatFitsAndRefusesWhatDoesNot) {
  const Case cases[] = {
      {"zero", 0, true, true, true},
      {"minus one", -1, true, false, true},
      {"int16 top", INT16_MAX, true, true, true},
      {"just over int16", INT16_MAX + 1LL, true, true, false},
      {"int bottom", INT_MIN, true, false, false},
      {"int top", INT_MAX, true, true, false},
      {"just over int", INT_MAX + 1LL, false, true, false},
      {"uint32 top", UINT32_MAX, false, true, false},
      {"just over uint32", UINT32_MAX + 1LL, false, false, false},
      {"long long bottom", LLONG_MIN, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(TryIntCast<int>(c.value).has_value(), c.fitsInt);
    EXPECT_EQ(TryIntCast<std::uint32_t>(c.value).has_value(), c.fitsUint32);
    EXPECT_EQ(TryIntCast<std::int16_t>(c.value).has_value(), c.fitsInt16);
    if (c.fitsInt)
      EXPECT_EQ(IntCast<int>(c.value), c.value);
    else
      EXPECT_THROW(IntCast<int>(c.value), std::range_error);
    if (c.fitsUint32)
      EXPECT_EQ(static_cast<long long>(IntCast<std::uint32_t>(c.value)), c.value);
    else
      EXPECT_THROW(IntCast<std::uint32_t>(c.value), std::range_error);
  }
}

TEST(CheckedInt, UnsignedSourcesAboveTheSignedTopAreRefused) {
  EXPECT_EQ(TryIntCast<int>(std::size_t{INT_MAX}), INT_MAX);
  EXPECT_EQ(TryIntCast<int>(std::size_t{INT_MAX} + 1), std::nullopt);
  EXPECT_EQ(TryIntCast<std::int64_t>(SIZE_MAX), std::nullopt);
  EXPECT_EQ(TryIntCast<unsigned char>(255u), 255);
  EXPECT_EQ(TryIntCast<unsigned char>(256u), std::nullopt);
  try {
    IntCast<std::int8_t>(1000);
    FAIL() << "no exception";
  } catch (const std::range_error& e) {
    EXPECT_NE(std::string(e.what()).find("1000"), std::string::npos);
  }
}

}  // namespace
