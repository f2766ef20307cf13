#include <atomic>

#include "platform/gdiplus.h"
#include "platform/gdiplus_testing.h"

namespace {

std::atomic<Gdiplus::Status> forced_failure{Gdiplus::Ok};
std::atomic<ULONG_PTR> last_token{0};

// There is no background thread, so the hooks a caller would run in its own
// message loop have nothing to do.
Gdiplus::Status HookNothing(ULONG_PTR* token) {
  if (token) *token = 0;
  return Gdiplus::Ok;
}
void UnhookNothing(ULONG_PTR) {}

}  // namespace

void SetGdiplusStartupFailureForTesting(Gdiplus::Status failure) { forced_failure.store(failure); }

namespace Gdiplus {

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
  if (!token || !input) return InvalidParameter;
  *token = 0;
  if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
  if (input->SuppressBackgroundThread && !output) return InvalidParameter;
  if (const Status failure = forced_failure.load(); failure != Ok) return failure;
  if (input->SuppressBackgroundThread) *output = GdiplusStartupOutput{HookNothing, UnhookNothing};
  *token = last_token.fetch_add(1) + 1;
  return Ok;
}

// Nothing is held per start.
void GdiplusShutdown(ULONG_PTR) {}

}  // namespace Gdiplus
