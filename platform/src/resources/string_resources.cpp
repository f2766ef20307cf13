#include "platform/string_resources.h"

#include <algorithm>
#include <string_view>

#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/library_loader.h"

int LoadStringW(HMODULE module, UINT id, LPWSTR buffer, int bufferMax) {
  if (!buffer || bufferMax < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = u'\0';
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const FARPROC proc = GetProcAddress(module, kStringResourceTableProc);
  if (!proc) {
    if (GetLastError() == ERROR_PROC_NOT_FOUND) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  UINT count = 0;
  const STRING_RESOURCE* table = reinterpret_cast<STRING_RESOURCE_TABLE_PROC>(proc)(&count);
  if (!table) count = 0;
  for (UINT i = 0; i < count; ++i) {
    if (table[i].id != id || !table[i].text) continue;
    const std::u16string_view text(table[i].text);
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(bufferMax - 1));
    text.copy(buffer, length);
    buffer[length] = u'\0';
    return static_cast<int>(length);
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return 0;
}
