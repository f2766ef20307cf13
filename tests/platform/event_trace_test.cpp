#include "platform/event_trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr GUID kProvider = MakeGuid("{0F6A5E2C-7D41-4C3B-9A1E-3B2D6C5F4A10}");
constexpr GUID kOtherProvider = MakeGuid("{1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}");

// What a provider's control callback was told.
struct Control {
  int enable_calls = 0;
  TRACEHANDLE logger = 0;
  UCHAR level = 0;
  ULONG flags = 0;
};

ULONG RecordControl(WMIDPREQUESTCODE code, void* context, ULONG*, void* buffer) {
  auto* control = static_cast<Control*>(context);
  if (code != WMI_ENABLE_EVENTS) return ERROR_INVALID_PARAMETER;
  ++control->enable_calls;
  control->logger = GetTraceLoggerHandle(buffer);
  control->level = GetTraceEnableLevel(control->logger);
  control->flags = GetTraceEnableFlags(control->logger);
  return ERROR_SUCCESS;
}

struct Registered {
  Control control;
  TRACEHANDLE handle = 0;
  TRACE_GUID_REGISTRATION registration{&kProvider, nullptr};
};

void Register(Registered& r, const GUID& provider) {
  ASSERT_EQ(RegisterTraceGuidsW(RecordControl, &r.control, &provider, 1, &r.registration, nullptr, nullptr,
                                &r.handle),
            ERROR_SUCCESS);
  EXPECT_NE(r.handle, 0u);
  EXPECT_NE(r.registration.RegHandle, nullptr);
}

class EventTrace : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("KESTREL_TRACE"); }
};

TEST_F(EventTrace, EnvironmentEnablesListedProvidersAndMessagesGoToStderr) {
  const std::string list = "{1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}:1, " + FormatGuid(kProvider) + ":0x14:3";
  setenv("KESTREL_TRACE", list.c_str(), 1);
  Registered r;
  Register(r, kProvider);
  EXPECT_EQ(r.control.enable_calls, 1);
  EXPECT_NE(r.control.logger, 0u);
  EXPECT_EQ(r.control.level, 3);
  EXPECT_EQ(r.control.flags, 0x14u);

  constexpr GUID kMessageGuid = MakeGuid("{22222222-3333-4444-5555-666666666666}");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(TraceMessage(r.control.logger, TRACE_MESSAGE_GUID | TRACE_MESSAGE_SEQUENCE, &kMessageGuid, 10, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(TraceMessage(r.control.logger, TRACE_MESSAGE_SEQUENCE, nullptr, 11, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "trace {22222222-3333-4444-5555-666666666666} message 10\n"
            "trace " + FormatGuid(kProvider) + " message 11\n");

  EXPECT_EQ(UnregisterTraceGuids(r.handle), ERROR_SUCCESS);
  EXPECT_EQ(TraceMessage(r.control.logger, 0, nullptr, 10, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(UnregisterTraceGuids(r.handle), ERROR_INVALID_PARAMETER);
}

TEST_F(EventTrace, UnlistedProvidersStaySilent) {
  setenv("KESTREL_TRACE", "{1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}:0x4", 1);
  Registered r;
  Register(r, kProvider);
  EXPECT_EQ(r.control.enable_calls, 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(TraceMessage(0, 0, &kProvider, 10, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(GetTraceEnableFlags(0), 0u);
  EXPECT_EQ(GetTraceLoggerHandle(nullptr), 0u);
  EXPECT_EQ(UnregisterTraceGuids(r.handle), ERROR_SUCCESS);
}

TEST_F(EventTrace, MalformedEntriesAreReportedAndSkipped) {
  const std::string list = "garbage, {0F6A5E2C-7D41-4C3B-9A1E-3B2D6C5F4A10}:0x1FFFFFFFF, " +
                           FormatGuid(kProvider) + ":zz, " + FormatGuid(kProvider) + ":4:256, " +
                           FormatGuid(kProvider) + ":8";
  setenv("KESTREL_TRACE", list.c_str(), 1);
  Registered r;
  ::testing::internal::CaptureStderr();
  Register(r, kProvider);
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(warnings.find("\"garbage\""), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(":zz"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(":4:256"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("0x1FFFFFFFF"), std::string::npos) << warnings;
  EXPECT_EQ(r.control.enable_calls, 1);
  EXPECT_EQ(r.control.flags, 8u);
  EXPECT_EQ(r.control.level, 5);  // the level when none is given
  EXPECT_EQ(UnregisterTraceGuids(r.handle), ERROR_SUCCESS);
}

TEST_F(EventTrace, RegistrationArguments) {
  TRACEHANDLE handle = 0;
  Control control;
  EXPECT_EQ(RegisterTraceGuidsW(nullptr, &control, &kProvider, 0, nullptr, nullptr, nullptr, &handle),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegisterTraceGuidsW(RecordControl, &control, nullptr, 0, nullptr, nullptr, nullptr, &handle),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegisterTraceGuidsW(RecordControl, &control, &kOtherProvider, 1, nullptr, nullptr, nullptr, &handle),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegisterTraceGuidsW(RecordControl, &control, &kOtherProvider, 0, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
}

}  // namespace
