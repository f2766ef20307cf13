#include "host/pipeline/job_part_maker.h"

#include "host/package/part_name.h"
#include "host/pipeline/fixed_page_part.h"
#include "host/pipeline/resource_parts.h"
#include "platform/utf.h"

namespace kestrel::host {

std::u16string ImageContentTypeFor(const std::string& name) {
  std::string extension(package::PartExtension(name));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (extension == "png") return u"image/png";
  if (extension == "jpg" || extension == "jpeg") return u"image/jpeg";
  if (extension == "tif" || extension == "tiff") return u"image/tiff";
  if (extension == "wdp" || extension == "jxr") return u"image/vnd.ms-photo";
  return u"application/octet-stream";
}

bool JobPartMaker::Reserve(const std::string& name) {
  if (input_->Find(name)) return false;
  std::lock_guard lock(mutex_);
  return made_.Insert(name).second;
}

ComPtr<IUnknown> JobPartMaker::MakeOfKind(std::u16string uri, const std::string& name, REFIID riid,
                                          std::shared_ptr<ContentSource> content) {
  if (riid == IID_IFixedPage)
    return MakePart<FixedPagePart>(std::move(uri), std::move(content), nullptr, PageResources{}, written_);
  if (riid == IID_IFixedDocument)
    return MakePart<FixedDocumentPart>(std::move(uri), std::move(content), nullptr);
  if (riid == IID_IPartPrintTicket) return MakePart<PrintTicketPart>(std::move(uri), std::move(content));
  if (riid == IID_IPartFont)
    return MakePart<FontPart>(std::move(uri), std::move(content), u"application/vnd.ms-opentype",
                                             Font_Normal);
  if (riid == IID_IPartImage)
    return MakePart<ImagePart>(std::move(uri), std::move(content), ImageContentTypeFor(name));
  if (riid == IID_IPartColorProfile)
    return MakePart<ColorProfilePart>(std::move(uri), std::move(content));
  if (riid == IID_IPartResourceDictionary)
    return MakePart<ResourceDictionaryPart>(std::move(uri), std::move(content));
  if (riid == IID_IPartThumbnail)
    return MakePart<ThumbnailPart>(std::move(uri), std::move(content), ImageContentTypeFor(name));
  return nullptr;
}

HRESULT JobPartMaker::MakeEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) {
  try {
    const std::u16string wide(uri);
    const std::optional<std::string> name = Utf16ToUtf8(wide);
    if (!name) return E_INVALIDARG;
    if (std::optional<std::string> problem = package::PartNameProblem(*name)) {
      report_->Problem(*name + ": not a valid part name for a new part (" + *problem + ")");
      return E_INVALIDARG;
    }
    if (!Reserve(*name)) {
      report_->Problem(*name + ": a new part was asked for with the name of a part the job already has");
      return kPartNameInUse;
    }
    std::shared_ptr<ContentSource> content;
    ComPtr<IPrintWriteStream> writer;
    if (const HRESULT hr = written_->Make(content, writer); FAILED(hr)) return hr;
    ComPtr<IUnknown> made = MakeOfKind(wide, *name, riid, std::move(content));
    if (!made) return E_NOINTERFACE;
    if (const HRESULT hr = made->QueryInterface(riid, part); FAILED(hr)) return hr;
    *stream = writer.Detach();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace kestrel::host
