#include "converter/control/encoder_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

std::string NativeLibraryPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash) + "/";
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 3 && name.ends_with(".so")) return folder + name;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name.ends_with(".dll")) name.resize(name.size() - 4);
  return folder + "lib" + name + ".so";
}

EncoderLibrary::EncoderLibrary(const std::string& path) {
  if (path.empty()) {
    failure_ = "no encoder library is configured";
    return;
  }
  const std::string native = NativeLibraryPath(path);
  handle_ = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    failure_ = "the encoder library " + native + " does not load: " + (why ? why : "unknown");
    return;
  }
  open = reinterpret_cast<EncoderOpenFunction>(dlsym(handle_, "EncoderOpen"));
  startPage = reinterpret_cast<EncoderStartPageFunction>(dlsym(handle_, "EncoderStartPage"));
  writeRows = reinterpret_cast<EncoderWriteRowsFunction>(dlsym(handle_, "EncoderWriteRows"));
  endPage = reinterpret_cast<EncoderEndPageFunction>(dlsym(handle_, "EncoderEndPage"));
  close = reinterpret_cast<EncoderCloseFunction>(dlsym(handle_, "EncoderClose"));
  if (!open || !startPage || !writeRows || !endPage || !close) {
    failure_ = "the encoder library " + native + " lacks an entry point";
    dlclose(handle_);
    handle_ = nullptr;
  }
}

EncoderLibrary::~EncoderLibrary() {
  if (handle_) dlclose(handle_);
}
