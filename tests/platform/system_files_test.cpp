// Temporary files, profile files and what the system says about itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/utf.h"

namespace {

namespace fs = std::filesystem;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kestrel-files-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::u16string Wide() const { return Utf8ToUtf16(path_.string()).value(); }

 private:
  fs::path path_;
};

std::string Contents(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(TempFiles, EachNameIsNewPrivateAndUnpredictable) {
  ScratchFolder folder;
  std::set<std::u16string> names;
  for (int i = 0; i < 20; ++i) {
    WCHAR name[MAX_PATH];
    ASSERT_NE(GetTempFileNameW(folder.Wide().c_str(), u"kvz", 0, name), 0u);
    const fs::path path = Utf16ToUtf8(name).value();
    EXPECT_EQ(path.parent_path(), folder.path());
    EXPECT_TRUE(path.filename().string().starts_with("kvz"));
    EXPECT_EQ(path.extension(), ".tmp");
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(folder.Wide().c_str(), u"kv", 7, name), 0u);  // a numbered name is predictable
  EXPECT_EQ(GetTempFileNameW((folder.Wide() + u"/missing").c_str(), u"kv", 0, name), 0u);

  setenv("TMPDIR", folder.path().c_str(), 1);
  WCHAR temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(GetTempPathW(2, temp), length + 1);  // too short: the size needed
  unsetenv("TMPDIR");
  EXPECT_EQ(std::u16string(temp, length), folder.Wide() + u"/");
}

TEST(ProfileFiles, KeysAreSetInTheirSectionAndTheFileKeepsItsPermissions) {
  ScratchFolder folder;
  WCHAR file[MAX_PATH];
  ASSERT_NE(GetTempFileNameW(folder.Wide().c_str(), u"kv", 0, file), 0u);
  ASSERT_TRUE(WritePrivateProfileStringW(u"FileList", u"1", u"/spool/a.prn", file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Other", u"x", u"y", file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"FileList", u"2", u"/spool/é.prn", file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"FileList", u"1", u"/spool/c.prn", file));
  const fs::path path = Utf16ToUtf8(file).value();
  EXPECT_EQ(Contents(path), "[FileList]\n1=/spool/c.prn\n2=/spool/é.prn\n[Other]\nx=y\n");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_FALSE(WritePrivateProfileStringW(u"", u"1", u"v", file));
  EXPECT_TRUE(DeleteFileW(file));
  EXPECT_FALSE(DeleteFileW(file));
}

TEST(SystemInfo, VersionLanguageAndSleep) {
  OSVERSIONINFOW version{};
  EXPECT_FALSE(GetVersionExW(&version));
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExW(&version));
  EXPECT_GT(version.dwMajorVersion, 5u);

  struct Case {
    const char* locale;
    LANGID id;
  };
  const Case cases[] = {{"ja_JP.UTF-8", 0x0411}, {"de_DE@euro", 0x0407}, {"en_GB.UTF-8", 0x0809},
                        {"pt_BR", 0x0416},       {"pt_PT", 0x0816},      {"C", 0x0409},
                        {"xx_YY", 0x0409}};
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved ? saved : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    setenv("LC_ALL", c.locale, 1);
    EXPECT_EQ(GetSystemDefaultLangID(), c.id);
  }
  if (saved)
    setenv("LC_ALL", restore.c_str(), 1);
  else
    unsetenv("LC_ALL");
  Sleep(1);
}

}  // namespace
