// One start of the 2-D graphics library, held for the life of a filter object.
#pragma once

#include "platform/gdiplus.h"

class GdiplusSession {
 public:
  // Starts the library; a failed start is only recorded (see status()).
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  // Ends the start; afterwards the status is GdiplusNotInitialized again.
  void Shutdown();
  Gdiplus::Status status() const { return status_; }

 private:
  ULONG_PTR token_ = 0;
  Gdiplus::Status status_ = Gdiplus::GdiplusNotInitialized;
};
