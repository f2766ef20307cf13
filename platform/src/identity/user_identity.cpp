#include "platform/user_identity.h"

#include <pwd.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/checked_int.h"
#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/utf.h"

namespace {

struct UserToken {
  uid_t uid;
};

// Tokens handed out and not yet closed, so that a stray handle is refused.
struct Tokens {
  std::mutex mutex;
  std::set<const UserToken*> open;
};

Tokens& TheTokens() {
  static Tokens tokens;
  return tokens;
}

thread_local std::optional<uid_t> impersonated;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The user's database record, by name or by number.
template <class Lookup>
std::optional<passwd> FindUser(Lookup lookup, std::vector<char>& storage) {
  storage.resize(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (lookup(&entry, storage.data(), storage.size(), &found) != 0 || !found) return std::nullopt;
  return entry;
}

}  // namespace

BOOL LogonUserW(LPCWSTR userName, HANDLE* token) {
  if (!token) return Fail(ERROR_INVALID_PARAMETER);
  *token = nullptr;
  uid_t uid = geteuid();
  if (userName) {
    const std::optional<std::string> name = Utf16ToUtf8(userName);
    if (!name) return Fail(ERROR_NO_SUCH_USER);
    std::vector<char> storage;
    const std::optional<passwd> user = FindUser(
        [&](passwd* entry, char* buffer, std::size_t size, passwd** found) {
          return getpwnam_r(name->c_str(), entry, buffer, size, found);
        },
        storage);
    if (!user) return Fail(ERROR_NO_SUCH_USER);
    uid = user->pw_uid;
  }
  auto* made = new UserToken{uid};
  Tokens& tokens = TheTokens();
  std::lock_guard lock(tokens.mutex);
  tokens.open.insert(made);
  *token = made;
  return TRUE;
}

BOOL CloseUserToken(HANDLE token) {
  Tokens& tokens = TheTokens();
  std::lock_guard lock(tokens.mutex);
  const auto found = tokens.open.find(static_cast<const UserToken*>(token));
  if (found == tokens.open.end()) return Fail(ERROR_INVALID_HANDLE);
  delete *found;
  tokens.open.erase(found);
  return TRUE;
}

BOOL ImpersonateLoggedOnUser(HANDLE token) {
  Tokens& tokens = TheTokens();
  std::lock_guard lock(tokens.mutex);
  const auto found = tokens.open.find(static_cast<const UserToken*>(token));
  if (found == tokens.open.end()) return Fail(ERROR_INVALID_HANDLE);
  impersonated = (*found)->uid;
  return TRUE;
}

BOOL RevertToSelf() {
  impersonated.reset();
  return TRUE;
}

BOOL GetUserNameW(LPWSTR buffer, DWORD* size) {
  if (!size) return Fail(ERROR_INVALID_PARAMETER);
  const uid_t uid = impersonated.value_or(geteuid());
  std::vector<char> storage;
  const std::optional<passwd> user = FindUser(
      [&](passwd* entry, char* text, std::size_t length, passwd** found) {
        return getpwuid_r(uid, entry, text, length, found);
      },
      storage);
  if (!user || !user->pw_name) return Fail(ERROR_NO_SUCH_USER);
  const std::optional<std::u16string> name = Utf8ToUtf16(user->pw_name);
  if (!name) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  const std::optional<DWORD> needed = TryIntCast<DWORD>(name->size() + 1);
  if (!needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (!buffer || *size < *needed) {
    *size = *needed;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  name->copy(buffer, name->size());
  buffer[name->size()] = u'\0';
  *size = *needed;
  return TRUE;
}
