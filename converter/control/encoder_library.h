// The encoder library named by the path the rip filter hands over: a
// Windows-style name ("PWGENC.DLL") is looked for as lib<name>.so in the
// same folder, a name ending in ".so" as it stands.
#pragma once

#include <string>

#include "converter/encoder_interface.h"

class EncoderLibrary {
 public:
  // UTF-8 path; failure() says why it did not load.
  explicit EncoderLibrary(const std::string& path);
  ~EncoderLibrary();
  EncoderLibrary(const EncoderLibrary&) = delete;
  EncoderLibrary& operator=(const EncoderLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& failure() const { return failure_; }

  EncoderOpenFunction open = nullptr;
  EncoderStartPageFunction startPage = nullptr;
  EncoderWriteRowsFunction writeRows = nullptr;
  EncoderEndPageFunction endPage = nullptr;
  EncoderCloseFunction close = nullptr;

 private:
  void* handle_ = nullptr;
  std::string failure_;
};

// "dir/PWGENC.DLL" -> "dir/libpwgenc.so"; ".so" names are kept.
std::string NativeLibraryPath(const std::string& path);
