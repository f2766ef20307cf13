#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/hresult.h"
#include "platform/stream.h"
#include "platform/variant.h"

namespace {

TEST(Hresult, NamesKnownAndUnknownCodes) {
  EXPECT_EQ(HresultName(E_INVALIDARG), "E_INVALIDARG (0x80070057)");
  EXPECT_EQ(HresultName(HRESULT_FROM_WIN32(ERROR_NOT_FOUND)), "HRESULT_FROM_WIN32(ERROR_NOT_FOUND) (0x80070490)");
  EXPECT_EQ(HresultName(MakeHresult(0x80991234u)), "0x80991234");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), MakeHresult(0x8007007Au));
  EXPECT_TRUE(FAILED(E_PENDING));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(Guid, ParsesAndFormatsTheBracedForm) {
  constexpr GUID g = MakeGuid("{565E8DF1-288C-4EAE-BAAC-6DAE5096C63D}");
  EXPECT_EQ(g.Data1, 0x565E8DF1u);
  EXPECT_EQ(g.Data4[7], 0x3D);
  EXPECT_EQ(FormatGuid(g), "{565E8DF1-288C-4EAE-BAAC-6DAE5096C63D}");
  EXPECT_EQ(ParseGuid("565e8df1-288c-4eae-baac-6dae5096c63d"), g);
  for (const char* bad : {"", "{565E8DF1-288C-4EAE-BAAC-6DAE5096C63D", "{565E8DF1-288C-4EAE-BAAC-6DAE5096C63G}",
                          "{565E8DF1+288C-4EAE-BAAC-6DAE5096C63D}"})
    EXPECT_FALSE(ParseGuid(bad).has_value()) << bad;
}

TEST(Bstr, KeepsLengthEmbeddedZerosAndNull) {
  BSTR s = SysAllocStringLen(u"a\0b", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(SysStringByteLen(s), 6u);
  EXPECT_EQ(s[3], u'\0');
  EXPECT_TRUE(SysReAllocString(&s, u"\U0001F600"));  // a surrogate pair is two units
  EXPECT_EQ(SysStringLen(s), 2u);
  SysFreeString(s);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

class Counted final : public ComObject<IStream> {
 public:
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }
  HRESULT Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

 private:
  int* alive_;
};

TEST(ComObject, AnswersBasesAndDiesOnLastRelease) {
  int alive = 0;
  ComPtr<IStream> s = MakeComObject<Counted, IStream>(&alive);
  ASSERT_EQ(alive, 1);
  ComPtr<ISequentialStream> seq;
  EXPECT_EQ(s.As(seq), S_OK);
  ComPtr<IUnknown> unk;
  EXPECT_EQ(s.As(unk), S_OK);
  s = nullptr;
  seq = nullptr;
  EXPECT_EQ(alive, 1);
  unk = nullptr;
  EXPECT_EQ(alive, 0);
}

TEST(Variant, CopyAndClearOwnTheirValues) {
  int alive = 0;
  Variant a;
  a->vt = VT_UNKNOWN;
  a->punkVal = MakeComObject<Counted, IStream>(&alive).Detach();
  {
    Variant b = a;
    EXPECT_EQ(b->vt, VT_UNKNOWN);
  }
  EXPECT_EQ(alive, 1);
  VariantClear(a.Get());
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(a->vt, VT_EMPTY);

  Variant text;
  text->vt = VT_BSTR;
  text->bstrVal = SysAllocString(u"printer");
  Variant copy = text;
  EXPECT_NE(copy->bstrVal, text->bstrVal);
  EXPECT_EQ(Bstr(copy->bstrVal ? std::u16string_view(copy->bstrVal) : u"").View(), u"printer");
}

TEST(Apartment, CountsNestedCallsPerThread) {
  std::thread([] {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
}

TEST(ClassRegistry, CreatesRegisteredClassesOnly) {
  constexpr CLSID kClass = MakeGuid("{0E1D2C3B-4A59-6877-8695-A4B3C2D1E0F0}");
  ComPtr<IStream> s;
  EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IStream, s.PutVoid()), REGDB_E_CLASSNOTREG);
  RegisterClassCreator(kClass, [](REFIID riid, void** ppv) {
    ComPtr<IStream> m;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, m.Put());
    return SUCCEEDED(hr) ? m->QueryInterface(riid, ppv) : hr;
  });
  EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IStream, s.PutVoid()), S_OK);
  EXPECT_TRUE(s);
  UnregisterClassCreator(kClass);
}

TEST(ProcessHeap, RemembersSizesAndZeroes) {
  HANDLE heap = GetProcessHeap();
  auto* p = static_cast<BYTE*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 10));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(HeapSize(heap, 0, p), 10u);
  p = static_cast<BYTE*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 100));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[99], 0);
  EXPECT_EQ(HeapSize(heap, 0, p), 100u);
  EXPECT_TRUE(HeapFree(heap, 0, p));
}

TEST(Identifiers, GuidsAreRandomVersionFour) {
  GUID a{}, b{};
  ASSERT_EQ(CoCreateGuid(&a), S_OK);
  ASSERT_EQ(CoCreateGuid(&b), S_OK);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.Data3 >> 12, 4);
  FILETIME now{};
  ASSERT_EQ(CoFileTimeNow(&now), S_OK);
  EXPECT_GT(now.dwHighDateTime, 30000000u);  // after 2010
}

TEST(MemoryStream, WritesSeeksAndReadsBack) {
  ComPtr<IStream> s;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.Put()), S_OK);
  ULONG n = 0;
  ASSERT_EQ(s->Write("hello", 5, &n), S_OK);
  LARGE_INTEGER move{};
  move.QuadPart = 7;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(s->Write("!", 1, &n), S_OK);
  STATSTG stat{};
  ASSERT_EQ(s->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 8u);
  move.QuadPart = 0;
  s->Seek(move, STREAM_SEEK_SET, nullptr);
  char buffer[16]{};
  ASSERT_EQ(s->Read(buffer, sizeof buffer, &n), S_OK);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(std::string(buffer, 8), std::string("hello\0\0!", 8));
  ASSERT_EQ(s->Read(buffer, sizeof buffer, &n), S_OK);
  EXPECT_EQ(n, 0u);
  move.QuadPart = -1;
  EXPECT_EQ(s->Seek(move, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
}

TEST(MemoryStream, OverGivenBlockSharesItsBytes) {
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, 4);
  std::memcpy(GlobalLock(block), "abcd", 4);
  {
    ComPtr<IStream> s;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, s.Put()), S_OK);
    char buffer[4];
    ULONG n = 0;
    s->Read(buffer, 4, &n);
    EXPECT_EQ(std::string(buffer, n), "abcd");
    s->Write("ef", 2, &n);
  }
  EXPECT_EQ(GlobalSize(block), 6u);
  GlobalFree(block);
}

}  // namespace
