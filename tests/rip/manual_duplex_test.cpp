// The pieces of manual duplex: the argument text, the request and its data
// object, the channel as the host answers it, and the export's work of
// starting the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "driver/manual_duplex/manual_duplex_argument.h"
#include "filters/rip/manual_duplex_channel.h"
#include "filters/rip/manual_duplex_request.h"
#include "filters/rip/manual_duplex_start.h"
#include "host/pipeline/print_notifications.h"
#include "host/print_ui/print_ui_request.h"
#include "platform/library_loader.h"
#include "platform/utf.h"
#include "tests/host/host_test_support.h"

namespace {

namespace fs = std::filesystem;
using kestrel::host::PrintNotifications;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::ScratchDir;

std::u16string W(const std::string& text) { return Utf8ToUtf16(text).value(); }
std::string N(const std::u16string& text) { return Utf16ToUtf8(text).value(); }

TEST(ManualDuplexArgument, IsReadWithoutGoingPastItsText) {
  struct Case {
    const char* text;
    const char* program;
    const char* list;
  };
  const Case cases[] = {
      {"10 duplex.exe C:\\spool\\kv12.tmp", "duplex.exe", "C:\\spool\\kv12.tmp"},
      {"13 my duplex.exe C:\\a.tmp", "my duplex.exe", "C:\\a.tmp"},
      {"14 kvmanualduplex /tmp/my files/kv1.tmp", "kvmanualduplex", "/tmp/my files/kv1.tmp"},
      {"duplex.exe", "", ""},
      {"", "", ""},
      {"x duplex.exe /l", "", "uplex.exe /l"},  // no digits: a count of 0, one character skipped
      {"99 duplex.exe /l", "duplex.exe /l", ""},
      {"99999999999999999999999 a", "a", ""},
      {"3 abc", "abc", ""},
      {"3 abc ", "abc", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ManualDuplexArgument argument = ParseManualDuplexArgument(W(c.text));
    EXPECT_EQ(N(argument.program), c.program);
    EXPECT_EQ(N(argument.list), c.list);
  }
  const std::u16string longName(300, u'a');
  EXPECT_EQ(ParseManualDuplexArgument(u"300 " + longName).program.size(), 259u);
  EXPECT_EQ(FormatManualDuplexArgument(u"my duplex.exe", u"C:\\a.tmp"), u"13 my duplex.exe C:\\a.tmp");
  EXPECT_EQ(FormatManualDuplexArgument(u"p", std::u16string(256, u'l')), std::nullopt);
  EXPECT_EQ(FormatManualDuplexArgument(u"p", std::u16string(255, u'l'))->size(), kManualDuplexArgumentChars);
}

TEST(ManualDuplexArgument, NamesOnlyFilesOfThePackageFolder) {
  for (const char* name : {"kvmanualduplex", "my duplex.exe", "a.b"}) EXPECT_TRUE(IsPackageFileName(W(name))) << name;
  for (const char* name : {"", "..", "../x", "a/b", "a\\b", "/bin/sh", "x..y"})
    EXPECT_FALSE(IsPackageFileName(W(name))) << name;
}

TEST(ManualDuplexRequest, EscapesTheArgumentAndRefusesWhatWouldNotFit) {
  const std::u16string hostile = u"9 a&b<c>\"d' /tmp/x&y";
  const std::optional<std::u16string> request = ManualDuplexRequest(hostile);
  ASSERT_TRUE(request);
  EXPECT_THAT(N(*request), ::testing::HasSubstr(
                               "bidi=\"false\">9 a&amp;b&lt;c&gt;&quot;d&apos; /tmp/x&amp;y</customUI></requestOpen>"));
  // The print UI reads back exactly what was sent.
  const kestrel::print_ui::PrintUiRequest read = kestrel::print_ui::ParsePrintUiRequest(*request);
  EXPECT_EQ(read.argument, hostile);
  EXPECT_EQ(read.dll, u"xripflt.DLL");
  EXPECT_EQ(read.entrypoint, u"StartManualDuplex");

  const std::size_t frame = ManualDuplexRequest(u"")->size();
  EXPECT_EQ(ManualDuplexRequest(std::u16string(kManualDuplexRequestChars - frame, u'a'))->size(),
            kManualDuplexRequestChars);
  EXPECT_EQ(ManualDuplexRequest(std::u16string(kManualDuplexRequestChars - frame + 1, u'a')), std::nullopt);
  // Escaping can push a request over: "&" takes five characters.
  EXPECT_EQ(ManualDuplexRequest(std::u16string((kManualDuplexRequestChars - frame) / 2, u'&')), std::nullopt);
}

TEST(NotificationData, HandsOutTheZeroFilledRequestOnlyToCompleteCalls) {
  const ComPtr<NotificationData> data = MakeComObject<NotificationData>(u"<r/>");
  BYTE* bytes = nullptr;
  ULONG size = 0;
  GUID* type = nullptr;
  EXPECT_EQ(data->AcquireData(nullptr, &size, &type), E_INVALIDARG);
  EXPECT_EQ(data->AcquireData(&bytes, nullptr, &type), E_INVALIDARG);
  EXPECT_EQ(data->AcquireData(&bytes, &size, nullptr), E_INVALIDARG);
  ASSERT_EQ(data->AcquireData(&bytes, &size, &type), S_OK);
  EXPECT_EQ(size, 2048u);
  EXPECT_EQ(*type, kAsyncPrintUiNotificationType);
  std::u16string text(1024, u'x');
  std::memcpy(text.data(), bytes, size);
  EXPECT_EQ(text, u"<r/>" + std::u16string(1020, u'\0'));
  EXPECT_EQ(data->ReleaseData(), S_OK);

  const ComPtr<NotificationData> tooLong =
      MakeComObject<NotificationData>(std::u16string(kManualDuplexRequestChars + 1, u'a'));
  EXPECT_EQ(tooLong->AcquireData(&bytes, &size, &type), E_INVALIDARG);
}

// The print class factory as the host makes it, or one that answers nothing.
class Factory final : public ComObject<IPrintClassObjectFactory> {
 public:
  explicit Factory(ComPtr<IPrintAsyncNotify> notify) : notify_(std::move(notify)) {}
  HRESULT GetPrintClassObject(LPCWSTR, REFIID riid, void** object) override {
    *object = nullptr;
    return notify_ ? notify_->QueryInterface(riid, object) : E_NOINTERFACE;
  }

 private:
  ComPtr<IPrintAsyncNotify> notify_;
};

// Data of another type, or without its NUL.
class OddData final : public ComObject<IPrintAsyncNotifyDataObject> {
 public:
  OddData(GUID type, std::u16string text) : type_(type), text_(std::move(text)) {}
  HRESULT AcquireData(BYTE** data, ULONG* size, GUID** type) override {
    *data = reinterpret_cast<BYTE*>(text_.data());
    *size = static_cast<ULONG>(text_.size() * sizeof(char16_t));
    *type = &type_;
    return S_OK;
  }
  HRESULT ReleaseData() override { return S_OK; }

 private:
  GUID type_;
  std::u16string text_;
};

TEST(ManualDuplexChannel, QueuesTheRequestUntilTheHostClosesIt) {
  const ComPtr<PrintNotifications> host = MakeComObject<PrintNotifications>();
  const ComPtr<Factory> factory = MakeComObject<Factory>(ComPtr<IPrintAsyncNotify>(host.Get()));
  ManualDuplexChannel channel;
  ASSERT_EQ(channel.Open(factory.Get(), u"Printer", 7), S_OK);
  EXPECT_EQ(channel.Send(u"14 kvmanualduplex /tmp/kv1.tmp"), S_OK);
  ASSERT_EQ(host->Requests().size(), 1u);
  EXPECT_EQ(kestrel::print_ui::ParsePrintUiRequest(host->Requests()[0]).argument, u"14 kvmanualduplex /tmp/kv1.tmp");
  EXPECT_EQ(channel.Send(std::u16string(1000, u'a')), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));

  // What the host refuses.
  ComPtr<IPrintAsyncNotifyChannel> raw;
  GUID type = kAsyncPrintUiNotificationType;
  ASSERT_EQ(host->CreatePrintAsyncNotifyChannel(7, &type, kPerUser, kBiDirectional, nullptr, raw.Put()), S_OK);
  const GUID other = MakeGuid("{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(raw->SendNotification(MakeComObject<OddData>(other, std::u16string(u"<r/>") + u'\0').Get()), E_INVALIDARG);
  EXPECT_EQ(raw->SendNotification(MakeComObject<OddData>(type, u"<r/>").Get()), E_INVALIDARG);
  GUID wrong = other;
  ComPtr<IPrintAsyncNotifyChannel> refused;
  EXPECT_EQ(host->CreatePrintAsyncNotifyChannel(7, &wrong, kPerUser, kBiDirectional, nullptr, refused.Put()),
            E_INVALIDARG);

  host->Close();
  EXPECT_EQ(channel.Send(u"1 a /b"), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
  EXPECT_EQ(host->Requests().size(), 1u);
}

TEST(ManualDuplexChannel, WithoutAChannelNothingIsSent) {
  ManualDuplexChannel none;
  EXPECT_EQ(none.Open(nullptr, u"Printer", 7), S_OK);
  EXPECT_EQ(none.Send(u"1 a /b"), E_POINTER);
  ManualDuplexChannel refused;
  EXPECT_EQ(refused.Open(MakeComObject<Factory>(nullptr).Get(), u"Printer", 7), E_NOINTERFACE);
  EXPECT_EQ(refused.Send(u"1 a /b"), E_POINTER);
}

class StartManualDuplex : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    for (const char* name : {"duplex.exe", "my duplex.exe"}) {
      const fs::path script = scratch_ / name;
      std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$(basename \"$0\")\" \"$@\" >> \"$(dirname \"$0\")/ran.txt\"\n";
      fs::permissions(script, fs::perms::owner_all);
    }
  }
  void TearDown() override { unsetenv("LC_ALL"); }
  std::u16string Folder() const { return W(scratch_.Path().string() + "/"); }
  std::string Ran() const { return ReadFile(scratch_ / "ran.txt"); }

  ScratchDir scratch_;
};

TEST_F(StartManualDuplex, StartsTheNamedProgramOfTheFolderWithTheLanguageAndTheList) {
  struct Case {
    const char* argument;
    const char* ran;  // the program's name and arguments; empty when nothing starts
  };
  const Case cases[] = {
      {"10 duplex.exe /spool/kv12.tmp", "duplex.exe|1041|/spool/kv12.tmp|"},
      {"13 my duplex.exe /a.tmp", "my duplex.exe|1041|/a.tmp|"},
      {"10 duplex.exe /tmp/my files/kv1.tmp", "duplex.exe|1041|/tmp/my files/kv1.tmp|"},
      {"10 duplex.exe", "duplex.exe|1041|"},
      {"duplex.exe", ""},
      {"0 duplex.exe /l", ""},
      {"99 duplex.exe /l", ""},
      {"13 ../duplex.exe /l", ""},
      {"2 .. /l", ""},
      {"7 missing /l", ""},
      {"10 duplex.exe /a\"b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    fs::remove(scratch_ / "ran.txt");
    EXPECT_EQ(RunManualDuplexProgram(W(c.argument), Folder()), *c.ran != '\0');
    EXPECT_EQ(Ran(), c.ran);
  }
  // A path or command line beyond 259 characters starts nothing.
  EXPECT_FALSE(RunManualDuplexProgram(u"10 duplex.exe /" + std::u16string(255, u'l'), Folder()));
  EXPECT_FALSE(RunManualDuplexProgram(u"10 duplex.exe /l", Folder() + std::u16string(250, u'd') + u"/"));
}

TEST_F(StartManualDuplex, TheExportAlwaysReturnsItsEmptyString) {
  HMODULE library = LoadLibraryW(W(KESTREL_RIP_LIBRARY).c_str());
  ASSERT_NE(library, nullptr) << GetLastLoaderMessage();
  using Start = const WCHAR* (*)(const WCHAR*);
  const auto start = reinterpret_cast<Start>(GetProcAddress(library, "StartManualDuplex"));
  ASSERT_NE(start, nullptr);
  const WCHAR* empty = start(nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(*empty, u'\0');
  // No blank: the library's own folder is no program; a missing program starts nothing.
  EXPECT_EQ(start(u"duplex.exe"), empty);
  EXPECT_EQ(start(u"7 missing /tmp/kv1.tmp"), empty);
  FreeLibrary(library);
}

}  // namespace
