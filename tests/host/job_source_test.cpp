// The job's source and part objects over a real package: pipeline order,
// lazy content, page tickets and resources, replaced markup, new part names.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/package/xps_package_reader.h"
#include "host/pipeline/job_part_maker.h"
#include "host/pipeline/job_source.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrel::host;

std::string ReadAll(IPrintReadStream* stream) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    EXPECT_EQ(stream->ReadBytes(buffer, sizeof buffer, &read, &end), S_OK);
    bytes.append(buffer, read);
    if (end || read == 0) return bytes;
  }
}

std::string PartBytes(IUnknown* part) {
  ComPtr<IPartBase> base;
  EXPECT_EQ(ComPtr<IUnknown>(part).As(base), S_OK);
  ComPtr<IPrintReadStream> stream;
  EXPECT_EQ(base->GetStream(stream.Put()), S_OK);
  return ReadAll(stream.Get());
}

class JobSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path mb06 = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
    if (!fs::exists(mb06)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
    input_ = kestrel::package::PackageReader::Open(mb06);
    maker_ = std::make_shared<JobPartMaker>(input_, written_, report_);
    JobSource source(input_, written_, report_, *maker_);
    PartChannel channel(10000);
    ASSERT_EQ(source.Run(channel), S_OK);
    for (ComPtr<IUnknown> part; SUCCEEDED(channel.Receive(part)) && part;) parts_.push_back(part);
  }

  template <typename T>
  std::vector<ComPtr<T>> All() const {
    std::vector<ComPtr<T>> found;
    for (const ComPtr<IUnknown>& part : parts_) {
      ComPtr<T> typed;
      if (SUCCEEDED(part.As(typed))) found.push_back(typed);
    }
    return found;
  }

  std::shared_ptr<const kestrel::package::PackageReader> input_;
  std::shared_ptr<WrittenContentRegistry> written_ = std::make_shared<WrittenContentRegistry>();
  std::shared_ptr<JobReport> report_ = std::make_shared<JobReport>();
  std::shared_ptr<JobPartMaker> maker_;
  std::vector<ComPtr<IUnknown>> parts_;
};

TEST_F(JobSourceTest, DeliversThePackageInPipelineOrder) {
  const auto& model = input_->Model();
  ASSERT_GE(parts_.size(), 3u);
  ComPtr<IXpsDocument> xps;
  EXPECT_EQ(parts_[0].As(xps), S_OK);
  // Own parts (core properties, signatures) travel next, then the sequence.
  const std::size_t sequence_at = 1 + model.own_parts.size();
  ComPtr<IFixedDocumentSequence> sequence;
  ASSERT_EQ(parts_.at(sequence_at).As(sequence), S_OK);
  std::vector<std::string> order;
  for (std::size_t i = sequence_at + 1; i < parts_.size(); ++i) {
    ComPtr<IFixedDocument> document;
    ComPtr<IFixedPage> page;
    if (SUCCEEDED(parts_[i].As(document))) order.push_back("document");
    else if (SUCCEEDED(parts_[i].As(page))) order.push_back("page");
    else order.push_back("other");
  }
  std::vector<std::string> expected;
  for (const auto& document : model.sequence.documents) {
    expected.push_back("document");
    expected.insert(expected.end(), document.page_count, "page");
  }
  EXPECT_EQ(order, expected);
  ComPtr<IPartPrintTicket> ticket;
  EXPECT_EQ(sequence->GetPrintTicket(ticket.Put()), model.sequence.ticket ? S_OK : HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
}

TEST_F(JobSourceTest, PagesOfferTheirTicketResourcesAndMarkup) {
  const auto pages = All<IFixedPage>();
  ASSERT_FALSE(pages.empty());
  const kestrel::package::Page model_page = *input_->Pages(input_->Model().sequence.documents.at(0))->Next();
  const ComPtr<IFixedPage>& page = pages[0];
  ComPtr<IPartPrintTicket> ticket;
  EXPECT_EQ(page->GetPrintTicket(ticket.Put()), model_page.ticket ? S_OK : HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_EQ(PartBytes(page.Get()).size(), input_->Find(model_page.name)->size);

  ComPtr<IXpsPartIterator> resources;
  ASSERT_EQ(page->GetXpsPartIterator(resources.Put()), S_OK);
  std::size_t count = 0;
  for (; !resources->IsDone(); resources->Next()) ++count;
  EXPECT_EQ(count, model_page.resources.size());
  if (!model_page.resources.empty()) {
    // Part names compare case-insensitively.
    std::string upper = model_page.resources[0].name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::u16string wide(upper.begin(), upper.end());
    ComPtr<IUnknown> resource;
    EXPECT_EQ(page->GetPagePart(wide.c_str(), resource.Put()), S_OK);
    EXPECT_EQ(page->DeleteResource(wide.c_str()), S_OK);
    EXPECT_EQ(page->GetPagePart(wide.c_str(), resource.Put()), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  }
}

TEST_F(JobSourceTest, ReplacedMarkupIsReadWhileItIsWritten) {
  const ComPtr<IFixedPage> page = All<IFixedPage>().at(0);
  ComPtr<IPrintWriteStream> writer;
  ASSERT_EQ(page->GetWriteStream(writer.Put()), S_OK);
  ULONG written = 0;
  ASSERT_EQ(writer->WriteBytes("<Fixed", 6, &written), S_OK);
  ComPtr<IPrintReadStream> reader;
  ASSERT_EQ(page->GetStream(reader.Put()), S_OK);
  char buffer[16];
  ULONG read = 0;
  BOOL end = TRUE;
  ASSERT_EQ(reader->ReadBytes(buffer, sizeof buffer, &read, &end), S_OK);
  EXPECT_EQ(std::string(buffer, read), "<Fixed");
  EXPECT_FALSE(end);
  ASSERT_EQ(writer->WriteBytes("Page/>", 6, &written), S_OK);
  writer->Close();
  EXPECT_EQ(ReadAll(reader.Get()), "Page/>");
}

TEST_F(JobSourceTest, NewPartsGetUniqueNames) {
  const std::string existing = input_->Pages(input_->Model().sequence.documents.at(0))->Next()->name;
  const std::u16string taken(existing.begin(), existing.end());
  ComPtr<IUnknown> part;
  ComPtr<IPrintWriteStream> stream;
  EXPECT_EQ(maker_->MakeEmptyPart(taken.c_str(), IID_IFixedPage, part.PutVoid(), stream.Put()), kPartNameInUse);
  ASSERT_EQ(maker_->MakeEmptyPart(u"/PT_SC_1_1.xml", IID_IPartPrintTicket, part.PutVoid(), stream.Put()), S_OK);
  EXPECT_EQ(maker_->MakeEmptyPart(u"/pt_sc_1_1.XML", IID_IPartPrintTicket, part.PutVoid(), stream.Put()),
            kPartNameInUse);
  EXPECT_EQ(maker_->MakeEmptyPart(u"no-slash.xml", IID_IPartPrintTicket, part.PutVoid(), stream.Put()), E_INVALIDARG);
  EXPECT_EQ(maker_->MakeEmptyPart(u"/x.bin", IID_IXpsDocument, part.PutVoid(), stream.Put()), E_NOINTERFACE);
  ComPtr<IPartFont> font;
  ASSERT_EQ(maker_->MakeEmptyPart(u"/F.odttf", IID_IPartFont, font.PutVoid(), stream.Put()), S_OK);
  Bstr type;
  EXpsFontOptions options = Font_Obfusticate;
  ASSERT_EQ(font->GetFontProperties(type.Put(), &options), S_OK);
  EXPECT_EQ(options, Font_Normal);
  EXPECT_EQ(std::u16string(type.View()), u"application/vnd.ms-opentype");
  ASSERT_EQ(stream->WriteBytes("font", 4, nullptr), S_OK);
  stream->Close();
  EXPECT_EQ(PartBytes(font.Get()), "font");
}

}  // namespace
