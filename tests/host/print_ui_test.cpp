// The print UI host: what it accepts as a request and what it refuses to run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/pipeline/host_error.h"
#include "host/print_ui/print_ui_host.h"
#include "host/print_ui/print_ui_request.h"
#include "platform/async_notify.h"
#include "platform/utf.h"
#include "tests/host/host_test_support.h"

namespace {

using kestrel::host::HostError;
using kestrel::print_ui::ParsePrintUiRequest;
using kestrel::print_ui::PrintUiRequest;
using kestrel::print_ui::RunPrintUiRequest;
using ::testing::HasSubstr;

std::string Namespace() { return Utf16ToUtf8(kAsyncPrintUiRequestNamespace).value(); }

std::u16string Request(const std::string& inside, const std::string& ns = Namespace()) {
  return Utf8ToUtf16("<?xml version=\"1.0\" ?><asyncPrintUIRequest xmlns=\"" + ns + "\">" + inside +
                     "</asyncPrintUIRequest>")
      .value();
}

std::string Refusal(const std::u16string& text) {
  try {
    ParsePrintUiRequest(text);
  } catch (const HostError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(PrintUiRequest, ReadsTheCustomUiItNames) {
  const PrintUiRequest request = ParsePrintUiRequest(
      Request("<v1><requestOpen><customUI dll=\"xripflt.DLL\" entrypoint=\"StartManualDuplex\" "
              "bidi=\"false\">3 a&amp;b /l</customUI></requestOpen></v1>"));
  EXPECT_EQ(request.dll, u"xripflt.DLL");
  EXPECT_EQ(request.entrypoint, u"StartManualDuplex");
  EXPECT_EQ(request.argument, u"3 a&b /l");
}

TEST(PrintUiRequest, RefusesWhatIsNotOne) {
  const std::string custom = "<v1><requestOpen><customUI dll=\"x\" entrypoint=\"y\">z</customUI></requestOpen></v1>";
  struct Case {
    const char* what;
    std::u16string text;
    const char* says;
  };
  const Case cases[] = {
      {"not XML", u"<asyncPrintUIRequest", "not well-formed"},
      {"a document type",
       u"<!DOCTYPE asyncPrintUIRequest [<!ENTITY e \"x\">]><asyncPrintUIRequest xmlns=\"" +
           std::u16string(kAsyncPrintUiRequestNamespace) + u"\"/>",
       "document type declaration"},
      {"another namespace", Request(custom, "urn:other"), "root is not asyncPrintUIRequest"},
      {"no customUI", Request("<v1><requestOpen/></v1>"), "no customUI element"},
      {"no entry point", Request("<v1><requestOpen><customUI dll=\"x\"/></requestOpen></v1>"), "no library or entry"},
      {"an empty text", u"", "not well-formed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THAT(Refusal(c.text), HasSubstr(c.says));
  }
}

TEST(PrintUiHost, LoadsOnlyAPackageLibraryAndOnlyItsManualDuplexEntry) {
  struct Case {
    const char* what;
    PrintUiRequest request;
    const char* says;
  };
  const Case cases[] = {
      {"a path", {u"/usr/lib/libc.so.6", u"StartManualDuplex", u""}, "is not a file of the driver package"},
      {"a parent folder", {u"../xripflt.DLL", u"StartManualDuplex", u""}, "is not a file of the driver package"},
      {"another entry point", {u"xripflt.DLL", u"DllGetClassObject", u""}, "only StartManualDuplex is run"},
      {"a missing library", {u"nothere.DLL", u"StartManualDuplex", u""}, "cannot load nothere.DLL"},
      {"a library without the export", {u"xordflt.dll", u"StartManualDuplex", u""}, "has no entry point"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      RunPrintUiRequest(c.request, KESTREL_DRIVER_DIR, "/nonexistent/out.prn");
      ADD_FAILURE() << "ran";
    } catch (const HostError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.says));
    }
  }
}

}  // namespace
