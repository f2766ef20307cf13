// Shared by the print ticket provider tests: streams from text, the reference printer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/print_ticket_provider.h"
#include "platform/stream.h"
#include "platform/unknown.h"
#include "platform/utf.h"

namespace ticket_test {

inline const std::filesystem::path kSourceDir = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
inline const std::string kReferencePrinter = (kSourceDir / "driver/printer/kestrel-inkjet-mfp.xml").string();
inline const std::filesystem::path kTickets = std::filesystem::path(KESTREL_CORPUS_DIR) / "tickets";

inline constexpr char kPsf[] = "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr char kPsk[] = "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
// The reference printer's own keywords, as its description declares them.
inline constexpr char kPrivateKeywordsNamespaceUtf8[] =
    "http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords";

inline ComPtr<IStream> StreamOf(const std::string& text) {
  ComPtr<IStream> s;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.Put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(s->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
  EXPECT_EQ(s->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  return s;
}

inline ComPtr<IStream> EmptyStream() { return StreamOf(""); }

// The whole stream, from its start.
inline std::string TextOf(IStream* s) {
  EXPECT_EQ(s->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  std::string text;
  char chunk[4096];
  ULONG read = 0;
  while (SUCCEEDED(s->Read(chunk, sizeof chunk, &read)) && read > 0) text.append(chunk, read);
  return text;
}

// Without the indentation between elements, for comparing markup.
inline std::string Compact(const std::string& xml) { return std::regex_replace(xml, std::regex(">\\s+<"), "><"); }

inline std::string Narrow(const Bstr& b) { return Utf16ToUtf8(b.View()).value_or("?"); }

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A ticket whose root declares psf, psk, xsi, xsd and the private namespace as kp.
inline std::string Ticket(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<psf:PrintTicket version=\"1\" xmlns:psf=\"") + kPsf +
         "\" xmlns:psk=\"" + kPsk +
         "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:kp=\"" +
         kPrivateKeywordsNamespaceUtf8 + "\">" + body + "</psf:PrintTicket>";
}

inline std::string Feature(const std::string& name, const std::string& option, const std::string& inside = "") {
  return "<psf:Feature name=\"" + name + "\"><psf:Option name=\"" + option + "\">" + inside +
         "</psf:Option></psf:Feature>";
}

inline std::string IntegerInit(const std::string& name, const std::string& value) {
  return "<psf:ParameterInit name=\"" + name + "\"><psf:Value xsi:type=\"xsd:integer\">" + value +
         "</psf:Value></psf:ParameterInit>";
}

inline std::string Scored(const std::string& name, int value) {
  return "<psf:ScoredProperty name=\"" + name + "\"><psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) +
         "</psf:Value></psf:ScoredProperty>";
}

// The reference printer registered as "Kestrel InkJet MFP" with devmode_extension_ (set it
// in the constructor), and an open provider.
class ProviderTest : public testing::Test {
 protected:
  static constexpr const WCHAR* kPrinter = u"Kestrel InkJet MFP";

  void SetUp() override { Open(kReferencePrinter); }
  void TearDown() override {
    if (provider_) {
      EXPECT_EQ(PTCloseProvider(provider_), S_OK);
    }
    UnregisterPrinter(kPrinter);
  }

  void Open(const std::string& description) {
    if (provider_) PTCloseProvider(provider_);
    provider_ = nullptr;
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, description.c_str(), message.Put(), devmode_extension_), S_OK)
        << Narrow(message);
    ASSERT_EQ(PTOpenProvider(kPrinter, 1, &provider_), S_OK);
  }

  struct Result {
    HRESULT hr;
    std::string text;
    std::string message;
  };

  Result Merge(const std::string& base, const std::string* delta, EPrintTicketScope scope = kPTJobScope) {
    ComPtr<IStream> result = EmptyStream();
    Bstr message;
    ComPtr<IStream> delta_stream = delta ? StreamOf(*delta) : nullptr;
    const HRESULT hr = PTMergeAndValidatePrintTicket(provider_, StreamOf(base).Get(), delta_stream.Get(), scope,
                                                     result.Get(), message.Put());
    return {hr, Compact(TextOf(result.Get())), Narrow(message)};
  }
  Result Merge(const std::string& base, const std::string& delta, EPrintTicketScope scope = kPTJobScope) {
    return Merge(base, &delta, scope);
  }

  Result Capabilities(const std::string* ticket) {
    ComPtr<IStream> result = EmptyStream();
    Bstr message;
    ComPtr<IStream> in = ticket ? StreamOf(*ticket) : nullptr;
    const HRESULT hr = PTGetPrintCapabilities(provider_, in.Get(), result.Get(), message.Put());
    return {hr, Compact(TextOf(result.Get())), Narrow(message)};
  }

  struct Converted {
    HRESULT hr = E_FAIL;
    DEVMODEW devmode{};
    std::vector<BYTE> driver_extra;  // what follows the public part
    ULONG size = 0;
    std::string message;
  };

  Converted DevMode(const std::string& ticket, EPrintTicketScope scope = kPTJobScope) {
    Converted c;
    PDEVMODE block = nullptr;
    Bstr message;
    c.hr = PTConvertPrintTicketToDevMode(provider_, StreamOf(ticket).Get(), kUserDefaultDevmode, scope, &c.size,
                                         &block, message.Put());
    c.message = Narrow(message);
    if (block) {
      c.devmode = *block;
      if (c.size > sizeof(DEVMODEW))
        c.driver_extra.assign(reinterpret_cast<BYTE*>(block) + sizeof(DEVMODEW), reinterpret_cast<BYTE*>(block) + c.size);
      EXPECT_EQ(PTReleaseMemory(block), S_OK);
    }
    return c;
  }

  DevModeExtension devmode_extension_;
  HPTPROVIDER provider_ = nullptr;
};

}  // namespace ticket_test
