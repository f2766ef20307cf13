#include "platform/gdiplus.h"

#include <gtest/gtest.h>

#include "platform/gdiplus_testing.h"

namespace {

using namespace Gdiplus;

TEST(GdiplusStartup, StartsWithDistinctTokens) {
  const GdiplusStartupInput input;
  ULONG_PTR first = 0, second = 0;
  ASSERT_EQ(GdiplusStartup(&first, &input, nullptr), Ok);
  ASSERT_EQ(GdiplusStartup(&second, &input, nullptr), Ok);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  GdiplusShutdown(second);
  GdiplusShutdown(first);

  // Without the background thread the caller gets hooks for its own loop.
  GdiplusStartupInput quiet;
  quiet.SuppressBackgroundThread = TRUE;
  GdiplusStartupOutput output{};
  ULONG_PTR token = 0;
  ASSERT_EQ(GdiplusStartup(&token, &quiet, &output), Ok);
  ASSERT_NE(output.NotificationHook, nullptr);
  ULONG_PTR hook = 1;
  EXPECT_EQ(output.NotificationHook(&hook), Ok);
  output.NotificationUnhook(hook);
  GdiplusShutdown(token);
}

TEST(GdiplusStartup, RefusedStarts) {
  ULONG_PTR token = 7;
  GdiplusStartupInput input;
  EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
  EXPECT_EQ(GdiplusStartup(&token, nullptr, nullptr), InvalidParameter);
  input.GdiplusVersion = 2;
  EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), UnsupportedGdiplusVersion);
  EXPECT_EQ(token, 0u);
  input.GdiplusVersion = 1;
  input.SuppressBackgroundThread = TRUE;
  EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), InvalidParameter);

  SetGdiplusStartupFailureForTesting(Win32Error);
  input.SuppressBackgroundThread = FALSE;
  token = 7;
  EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), Win32Error);
  EXPECT_EQ(token, 0u);
  SetGdiplusStartupFailureForTesting(Ok);
  EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  GdiplusShutdown(token);
}

}  // namespace
