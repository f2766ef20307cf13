// The parts of an XPS job as they travel through the filter pipeline, and the
// two ends every filter sees: the provider it reads parts from and the
// consumer it sends them to.
#pragma once

#include "platform/bstr.h"
#include "platform/print_stream.h"
#include "platform/unknown.h"

enum EXpsCompression : DWORD {
  Compression_NotCompressed = 0,
  Compression_Normal = 1,
  Compression_Small = 2,
  Compression_Fast = 3,
};

enum EXpsFontOptions : DWORD {
  Font_Normal = 0,
  // The package stores the font obfuscated with its part name as the key.
  Font_Obfusticate = 1,
};

struct IPartBase : IUnknown {
  static constexpr IID iid = MakeGuid("{EF00877A-E732-47B0-A8FE-2748EFD95B1B}");
  // The part name, an absolute package path such as "/Documents/1/Pages/1.fpage".
  virtual HRESULT GetUri(BSTR* uri) = 0;
  virtual HRESULT GetStream(IPrintReadStream** stream) = 0;
  virtual HRESULT GetPartCompression(EXpsCompression* compression) = 0;
  virtual HRESULT SetPartCompression(EXpsCompression compression) = 0;

 protected:
  ~IPartBase() = default;
};

struct IPartPrintTicket : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{39C851A6-883F-44EA-B3FE-2C19745DC108}");

 protected:
  ~IPartPrintTicket() = default;
};

struct IPartFont : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{CE12B40F-9E1A-4BF7-B520-190AE879DAF3}");
  virtual HRESULT GetFontProperties(BSTR* contentType, EXpsFontOptions* options) = 0;
  virtual HRESULT SetFontContent(BSTR contentType) = 0;
  virtual HRESULT SetFontOptions(EXpsFontOptions options) = 0;

 protected:
  ~IPartFont() = default;
};

struct IPartImage : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{AA19169F-6817-48D1-B6D4-B30F8C444FA4}");
  virtual HRESULT GetImageProperties(BSTR* contentType) = 0;
  virtual HRESULT SetImageContent(BSTR contentType) = 0;

 protected:
  ~IPartImage() = default;
};

struct IPartColorProfile : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{2D1C8E56-D616-4863-839F-6E4B90213048}");

 protected:
  ~IPartColorProfile() = default;
};

struct IPartResourceDictionary : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{0B5C4FF9-88C6-47EC-B90A-A4D76F3C3B1E}");

 protected:
  ~IPartResourceDictionary() = default;
};

struct IPartThumbnail : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{59A7D2E1-691D-4165-BF65-7207BB35D701}");
  virtual HRESULT GetThumbnailProperties(BSTR* contentType) = 0;
  virtual HRESULT SetThumbnailContent(BSTR contentType) = 0;

 protected:
  ~IPartThumbnail() = default;
};

// Walks the resource parts of a page.
struct IXpsPartIterator : IUnknown {
  static constexpr IID iid = MakeGuid("{E643788C-B17F-4773-92A2-8352FD2E3128}");
  virtual void Reset() = 0;
  // The current part's name and the part itself (a new reference).
  virtual HRESULT Current(BSTR* uri, IUnknown** part) = 0;
  virtual BOOL IsDone() = 0;
  virtual void Next() = 0;

 protected:
  ~IXpsPartIterator() = default;
};

struct IFixedPage : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{DAE56D62-ADE6-42E5-9ADC-C87CDC3B8757}");
  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when the page has no ticket.
  virtual HRESULT GetPrintTicket(IPartPrintTicket** ticket) = 0;
  virtual HRESULT SetPrintTicket(IPartPrintTicket* ticket) = 0;
  // A resource of the page by part name; HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when absent.
  virtual HRESULT GetPagePart(LPCWSTR uri, IUnknown** part) = 0;
  // Adds a resource part (font, image, colour profile, resource dictionary) to the page.
  virtual HRESULT SetPagePart(IUnknown* part) = 0;
  virtual HRESULT DeleteResource(LPCWSTR uri) = 0;
  virtual HRESULT GetXpsPartIterator(IXpsPartIterator** iterator) = 0;
  // Replaces the page markup with what is written to the returned stream.
  virtual HRESULT GetWriteStream(IPrintWriteStream** stream) = 0;

 protected:
  ~IFixedPage() = default;
};

struct IFixedDocument : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{3CEAC0AC-58C0-43C5-BA63-AB7D06391C1E}");
  virtual HRESULT GetPrintTicket(IPartPrintTicket** ticket) = 0;
  virtual HRESULT SetPrintTicket(IPartPrintTicket* ticket) = 0;

 protected:
  ~IFixedDocument() = default;
};

struct IFixedDocumentSequence : IPartBase {
  using Base = IPartBase;
  static constexpr IID iid = MakeGuid("{E2A960BA-07A4-441C-AF2C-EA46E947F42F}");
  virtual HRESULT GetPrintTicket(IPartPrintTicket** ticket) = 0;
  virtual HRESULT SetPrintTicket(IPartPrintTicket* ticket) = 0;

 protected:
  ~IFixedDocumentSequence() = default;
};

// The package as a whole: the first part of every job.
struct IXpsDocument : IUnknown {
  static constexpr IID iid = MakeGuid("{6AD5124A-A927-4DFF-9701-B72E12B822B5}");
  virtual HRESULT GetThumbnail(IPartThumbnail** thumbnail) = 0;
  virtual HRESULT SetThumbnail(IPartThumbnail* thumbnail) = 0;

 protected:
  ~IXpsDocument() = default;
};

struct IXpsDocumentProvider : IUnknown {
  static constexpr IID iid = MakeGuid("{0D8AA40A-A47F-48C8-9883-7A573D561841}");
  // The next part (a new reference); S_OK with NULL at the end of the job.
  virtual HRESULT GetXpsPart(IUnknown** part) = 0;

 protected:
  ~IXpsDocumentProvider() = default;
};

struct IXpsDocumentConsumer : IUnknown {
  static constexpr IID iid = MakeGuid("{106C8D61-A065-45C1-83EC-F741905A5118}");
  virtual HRESULT SendXpsUnknown(IUnknown* part) = 0;
  virtual HRESULT SendXpsDocument(IXpsDocument* document) = 0;
  virtual HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* sequence) = 0;
  virtual HRESULT SendFixedDocument(IFixedDocument* document) = 0;
  virtual HRESULT SendFixedPage(IFixedPage* page) = 0;
  // Ends the job for the next filter; nothing may be sent afterwards.
  virtual HRESULT CloseSender() = 0;
  // A new, empty part of the kind riid names, with the stream that fills it.
  // A name already used in the job is refused.
  virtual HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) = 0;

 protected:
  ~IXpsDocumentConsumer() = default;
};

inline constexpr const IID& IID_IPartBase = IPartBase::iid;
inline constexpr const IID& IID_IPartPrintTicket = IPartPrintTicket::iid;
inline constexpr const IID& IID_IPartFont = IPartFont::iid;
inline constexpr const IID& IID_IPartImage = IPartImage::iid;
inline constexpr const IID& IID_IPartColorProfile = IPartColorProfile::iid;
inline constexpr const IID& IID_IPartResourceDictionary = IPartResourceDictionary::iid;
inline constexpr const IID& IID_IPartThumbnail = IPartThumbnail::iid;
inline constexpr const IID& IID_IXpsPartIterator = IXpsPartIterator::iid;
inline constexpr const IID& IID_IFixedPage = IFixedPage::iid;
inline constexpr const IID& IID_IFixedDocument = IFixedDocument::iid;
inline constexpr const IID& IID_IFixedDocumentSequence = IFixedDocumentSequence::iid;
inline constexpr const IID& IID_IXpsDocument = IXpsDocument::iid;
inline constexpr const IID& IID_IXpsDocumentProvider = IXpsDocumentProvider::iid;
inline constexpr const IID& IID_IXpsDocumentConsumer = IXpsDocumentConsumer::iid;
