#include "platform/event_trace.h"

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/hresult.h"
#include "trace_settings.h"

namespace {

struct Registration {
  TRACEHANDLE logger = 0;  // 0 while the provider is not enabled
};

struct Logger {
  GUID provider;
  ProviderSettings settings;
};

// What the enable request's buffer carries.
struct EnableBuffer {
  TRACEHANDLE logger;
};

// Never destroyed: providers unregister from their libraries' unload, after
// the platform's static objects are gone.
struct TraceState {
  std::mutex mutex;
  TRACEHANDLE last_handle = 0;
  std::map<TRACEHANDLE, Registration> registrations;
  std::map<TRACEHANDLE, Logger> loggers;
};

TraceState& State() {
  static TraceState* state = new TraceState;
  return *state;
}

}  // namespace

ULONG RegisterTraceGuidsW(WMIDPREQUEST callback, void* context, const GUID* control_guid, ULONG guid_count,
                          TRACE_GUID_REGISTRATION* registrations, LPCWSTR, LPCWSTR,
                          TRACEHANDLE* registration_handle) {
  if (!callback || !control_guid || !registration_handle || (guid_count && !registrations))
    return ERROR_INVALID_PARAMETER;
  const std::optional<ProviderSettings> settings = EnabledProviderSettings(*control_guid);
  TraceState& state = State();
  EnableBuffer buffer{0};
  {
    std::lock_guard lock(state.mutex);
    const TRACEHANDLE handle = ++state.last_handle;
    Registration& registration = state.registrations[handle];
    for (ULONG i = 0; i < guid_count; ++i) registrations[i].RegHandle = reinterpret_cast<HANDLE>(handle);
    if (settings) {
      buffer.logger = ++state.last_handle;
      state.loggers[buffer.logger] = Logger{*control_guid, *settings};
      registration.logger = buffer.logger;
    }
    *registration_handle = handle;
  }
  // Outside the lock: the callback asks for the level and flags.
  if (buffer.logger) {
    ULONG size = sizeof buffer;
    callback(WMI_ENABLE_EVENTS, context, &size, &buffer);
  }
  return ERROR_SUCCESS;
}

ULONG UnregisterTraceGuids(TRACEHANDLE registration_handle) {
  TraceState& state = State();
  std::lock_guard lock(state.mutex);
  const auto registration = state.registrations.find(registration_handle);
  if (registration == state.registrations.end()) return ERROR_INVALID_PARAMETER;
  state.loggers.erase(registration->second.logger);
  state.registrations.erase(registration);
  return ERROR_SUCCESS;
}

TRACEHANDLE GetTraceLoggerHandle(void* buffer) {
  return buffer ? static_cast<const EnableBuffer*>(buffer)->logger : 0;
}

UCHAR GetTraceEnableLevel(TRACEHANDLE logger_handle) {
  TraceState& state = State();
  std::lock_guard lock(state.mutex);
  const auto logger = state.loggers.find(logger_handle);
  return logger == state.loggers.end() ? 0 : logger->second.settings.level;
}

ULONG GetTraceEnableFlags(TRACEHANDLE logger_handle) {
  TraceState& state = State();
  std::lock_guard lock(state.mutex);
  const auto logger = state.loggers.find(logger_handle);
  return logger == state.loggers.end() ? 0 : logger->second.settings.flags;
}

ULONG TraceMessage(TRACEHANDLE logger_handle, ULONG message_flags, const GUID* message_guid, USHORT message_number,
                   ...) {
  GUID shown{};
  {
    TraceState& state = State();
    std::lock_guard lock(state.mutex);
    const auto logger = state.loggers.find(logger_handle);
    if (logger == state.loggers.end()) return ERROR_INVALID_HANDLE;
    shown = (message_flags & TRACE_MESSAGE_GUID) && message_guid ? *message_guid : logger->second.provider;
  }
  std::fprintf(stderr, "trace %s message %u\n", FormatGuid(shown).c_str(), static_cast<unsigned>(message_number));
  return ERROR_SUCCESS;
}
