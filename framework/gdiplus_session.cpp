#include "framework/gdiplus_session.h"

GdiplusSession::GdiplusSession() {
  const Gdiplus::GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
  status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() { Shutdown(); }

void GdiplusSession::Shutdown() {
  // Only a start that succeeded has something to end.
  if (status_ == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token_);
  token_ = 0;
  status_ = Gdiplus::GdiplusNotInitialized;
}
