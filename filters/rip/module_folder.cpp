#include "filters/rip/module_folder.h"

#include "framework/filter_module.h"
#include "platform/files.h"
#include "platform/library_loader.h"

std::u16string ThisModuleFolder() {
  WCHAR module[MAX_PATH];
  const DWORD length = GetModuleFileNameW(ThisModuleHandle(), module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::u16string folder(module, length);
  folder.erase(folder.find_last_of(u"/\\:") + 1);
  return folder;
}
