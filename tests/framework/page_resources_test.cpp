// Copying a page's resource parts onto another page through the part iterator.
#include "framework/page_resources.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "test_pipeline.h"

namespace {

constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

using Parts = std::vector<ComPtr<IUnknown>>;

// Walks a list of parts; it starts past the end, so only Reset makes it walk.
class ScriptedIterator final : public ComObject<IXpsPartIterator> {
 public:
  ScriptedIterator(Parts parts, std::size_t failAt, HRESULT failure)
      : parts_(std::move(parts)), at_(parts_.size()), fail_at_(failAt), failure_(failure) {}

  void Reset() override { at_ = 0; }
  HRESULT Current(BSTR* uri, IUnknown** part) override {
    if (at_ == fail_at_) return failure_;
    *uri = SysAllocString(u"/Resources/part");
    return parts_[at_].CopyTo(part);
  }
  BOOL IsDone() override { return at_ >= parts_.size(); }
  void Next() override { ++at_; }

 private:
  Parts parts_;
  std::size_t at_;
  std::size_t fail_at_;
  HRESULT failure_;
};

// A page that hands out a scripted iterator and keeps the parts it is given.
class ResourcePage final : public TestPart<IFixedPage> {
 public:
  ResourcePage() : TestPart("/page.fpage") {}

  Parts given;
  HRESULT iterator_result = S_OK;
  ComPtr<IXpsPartIterator> iterator;
  std::size_t refuse_at = kNever;

  HRESULT GetPrintTicket(IPartPrintTicket**) override { return E_NOTIMPL; }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown* part) override {
    if (given.size() == refuse_at) return E_ACCESSDENIED;
    given.emplace_back(part);
    return S_OK;
  }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator** out) override {
    if (FAILED(iterator_result)) return iterator_result;
    return iterator.CopyTo(out);
  }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }
};

Parts ThreeParts() {
  Parts parts;
  for (const char* name : {"/font.odttf", "/image.png", "/dictionary.dict"})
    parts.push_back(MakeComObject<TestPart<IPartColorProfile>, IUnknown>(name));
  return parts;
}

TEST(CopyPageResources, GivesEveryPartToTheTarget) {
  const Parts parts = ThreeParts();
  struct Case {
    std::size_t current_fails_at, target_refuses_at;
    HRESULT result;
    std::size_t copied;
  };
  const Case cases[] = {
      {kNever, kNever, S_OK, 3},
      {1, kNever, E_UNEXPECTED, 1},
      {kNever, 2, E_ACCESSDENIED, 2},
      {0, kNever, E_UNEXPECTED, 0},
  };
  for (const Case& c : cases) {
    const auto source = MakeComObject<ResourcePage>();
    const auto target = MakeComObject<ResourcePage>();
    source->iterator = MakeComObject<ScriptedIterator, IXpsPartIterator>(parts, c.current_fails_at, E_UNEXPECTED);
    target->refuse_at = c.target_refuses_at;
    EXPECT_EQ(CopyPageResources(source.Get(), target.Get()), c.result);
    ASSERT_EQ(target->given.size(), c.copied);
    for (std::size_t i = 0; i < c.copied; ++i) EXPECT_EQ(target->given[i], parts[i]) << i;
  }
}

TEST(CopyPageResources, ReportsMissingPagesAndIterators) {
  const auto page = MakeComObject<ResourcePage>();
  EXPECT_EQ(CopyPageResources(nullptr, page.Get()), E_POINTER);
  EXPECT_EQ(CopyPageResources(page.Get(), nullptr), E_POINTER);

  const auto target = MakeComObject<ResourcePage>();
  page->iterator_result = E_OUTOFMEMORY;
  EXPECT_EQ(CopyPageResources(page.Get(), target.Get()), E_OUTOFMEMORY);
  page->iterator_result = S_OK;  // succeeds with no iterator
  EXPECT_EQ(CopyPageResources(page.Get(), target.Get()), E_FAIL);

  page->iterator = MakeComObject<ScriptedIterator, IXpsPartIterator>(Parts{nullptr}, kNever, S_OK);
  EXPECT_EQ(CopyPageResources(page.Get(), target.Get()), E_POINTER);
  page->iterator = MakeComObject<ScriptedIterator, IXpsPartIterator>(Parts{}, kNever, S_OK);
  EXPECT_EQ(CopyPageResources(page.Get(), target.Get()), S_OK);
  EXPECT_TRUE(target->given.empty());
}

}  // namespace
