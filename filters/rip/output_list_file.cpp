#include "filters/rip/output_list_file.h"

#include "platform/files.h"
#include "platform/last_error.h"

namespace {

constexpr WCHAR kSection[] = u"FileList";

HRESULT LastFailure() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The folder of a path (either separator); empty when it has none but the root.
std::u16string FolderOf(const std::u16string& name) {
  const std::size_t last = name.find_last_of(u"/\\");
  if (last == std::u16string::npos || last == 0) return {};
  return name.substr(0, last);
}

}  // namespace

HRESULT OutputListFile::Create(const std::u16string& name) {
  std::u16string folder = FolderOf(name);
  if (folder.empty()) {
    WCHAR temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return LastFailure();
    folder.assign(temp, length);
  }
  WCHAR made[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), u"kv", 0, made)) return LastFailure();
  path_ = made;
  return S_OK;
}

HRESULT OutputListFile::Add(const std::u16string& name) {
  if (name.empty() || name.size() >= MAX_PATH) return E_INVALIDARG;
  if (!Exists()) {
    const HRESULT hr = Create(name);
    if (FAILED(hr)) return hr;
  }
  names_.push_back(name);
  const std::u16string key = [&] {
    std::u16string digits;
    for (std::size_t n = names_.size(); n; n /= 10) digits.insert(digits.begin(), static_cast<WCHAR>(u'0' + n % 10));
    return digits;
  }();
  if (!WritePrivateProfileStringW(kSection, key.c_str(), name.c_str(), path_.c_str())) return LastFailure();
  return S_OK;
}

void OutputListFile::HandOver() {
  path_.clear();
  names_.clear();
}

void OutputListFile::Remove(bool listed) {
  if (listed)
    for (const std::u16string& name : names_) DeleteFileW(name.c_str());
  if (Exists()) DeleteFileW(path_.c_str());
  path_.clear();
  names_.clear();
}
