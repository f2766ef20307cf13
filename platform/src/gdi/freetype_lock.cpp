#include "freetype_lock.h"

std::mutex& FreeTypeMutex() {
  static std::mutex mutex;
  return mutex;
}

FT_Library FreeTypeLibrary() {
  // Kept for the life of the process, like the faces cached by callers.
  static FT_Library library = [] {
    FT_Library made = nullptr;
    return FT_Init_FreeType(&made) == 0 ? made : nullptr;
  }();
  return library;
}
