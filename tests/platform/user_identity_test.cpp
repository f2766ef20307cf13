// Who a thread acts for: user tokens from the user database, impersonation
// that GetUserNameW follows, and the buffer protocol of GetUserNameW.
#include "platform/user_identity.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>

#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/utf.h"

namespace {

std::u16string UserName() {
  WCHAR buffer[UNLEN + 1] = {};
  DWORD size = UNLEN + 1;
  if (!GetUserNameW(buffer, &size)) return u"(failed)";
  return std::u16string(buffer, size - 1);
}

std::u16string ProcessUser() { return Utf8ToUtf16(getpwuid(geteuid())->pw_name).value(); }

TEST(UserIdentity, GetUserNameAnswersTheProcessUserWithTheBufferProtocol) {
  const std::u16string expected = ProcessUser();
  EXPECT_EQ(UserName(), expected);
  DWORD size = 0;
  EXPECT_FALSE(GetUserNameW(nullptr, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, expected.size() + 1);
  std::u16string buffer(size, u'x');
  EXPECT_TRUE(GetUserNameW(buffer.data(), &size));
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_EQ(buffer.back(), u'\0');
  EXPECT_FALSE(GetUserNameW(buffer.data(), nullptr));
}

TEST(UserIdentity, AnImpersonatingThreadAnswersTheTokensUserUntilItReverts) {
  HANDLE nobody = nullptr;
  ASSERT_TRUE(LogonUserW(u"nobody", &nobody));
  ASSERT_TRUE(ImpersonateLoggedOnUser(nobody));
  EXPECT_EQ(UserName(), u"nobody");
  EXPECT_TRUE(RevertToSelf());
  EXPECT_EQ(UserName(), ProcessUser());

  HANDLE self = nullptr;
  ASSERT_TRUE(LogonUserW(nullptr, &self));
  ASSERT_TRUE(ImpersonateLoggedOnUser(self));
  EXPECT_EQ(UserName(), ProcessUser());
  RevertToSelf();
  EXPECT_TRUE(CloseUserToken(self));
  EXPECT_TRUE(CloseUserToken(nobody));

  EXPECT_FALSE(ImpersonateLoggedOnUser(nobody)) << "a closed token";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseUserToken(nobody));
  int stray = 0;
  EXPECT_FALSE(ImpersonateLoggedOnUser(&stray));
  HANDLE none = &stray;
  EXPECT_FALSE(LogonUserW(u"no-such-user-kestrel", &none));
  EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_USER);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
