// The parts that hang off pages, documents and the package: print tickets,
// fonts, images, colour profiles, remote resource dictionaries, thumbnails,
// and the carried parts the chain only forwards (core properties, document
// structure, story fragments, signatures).
#pragma once

#include <string>

#include "host/pipeline/part_object.h"

namespace kestrel::host {

class PrintTicketPart final : public PartObject<IPartPrintTicket> {
 public:
  PrintTicketPart(std::u16string uri, std::shared_ptr<ContentSource> content, bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package) {}
};

class ColorProfilePart final : public PartObject<IPartColorProfile> {
 public:
  ColorProfilePart(std::u16string uri, std::shared_ptr<ContentSource> content, bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package) {}
};

class ResourceDictionaryPart final : public PartObject<IPartResourceDictionary> {
 public:
  ResourceDictionaryPart(std::u16string uri, std::shared_ptr<ContentSource> content, bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package) {}
};

class FontPart final : public PartObject<IPartFont> {
 public:
  // The content is the plain font file; options say how the package stores it.
  FontPart(std::u16string uri, std::shared_ptr<ContentSource> content, std::u16string content_type,
           EXpsFontOptions options, bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package), content_type_(std::move(content_type)), options_(options) {}
  HRESULT GetFontProperties(BSTR* contentType, EXpsFontOptions* options) override;
  HRESULT SetFontContent(BSTR contentType) override;
  HRESULT SetFontOptions(EXpsFontOptions options) override;

 private:
  std::u16string content_type_;
  EXpsFontOptions options_;
};

class ImagePart final : public PartObject<IPartImage> {
 public:
  ImagePart(std::u16string uri, std::shared_ptr<ContentSource> content, std::u16string content_type,
            bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package), content_type_(std::move(content_type)) {}
  HRESULT GetImageProperties(BSTR* contentType) override;
  HRESULT SetImageContent(BSTR contentType) override;

 private:
  std::u16string content_type_;
};

class ThumbnailPart final : public PartObject<IPartThumbnail> {
 public:
  ThumbnailPart(std::u16string uri, std::shared_ptr<ContentSource> content, std::u16string content_type,
                bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package), content_type_(std::move(content_type)) {}
  HRESULT GetThumbnailProperties(BSTR* contentType) override;
  HRESULT SetThumbnailContent(BSTR contentType) override;

 private:
  std::u16string content_type_;
};

// What the output needs to know of a carried part beyond IPartBase.
struct ICarriedPart : IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E10-5A4F-4B8E-9C10-4B6573747231}");
  virtual const std::string& ContentType() const = 0;
  // A signature or its certificate: kept only while the signed parts stay as they were.
  virtual bool IsSignature() const = 0;

 protected:
  ~ICarriedPart() = default;
};

class CarriedPart final : public PartObject<IPartBase, ICarriedPart> {
 public:
  CarriedPart(std::u16string uri, std::shared_ptr<ContentSource> content, std::string content_type, bool signature,
              bool from_package = false)
      : PartObject(std::move(uri), std::move(content), from_package),
        content_type_(std::move(content_type)),
        signature_(signature) {}
  const std::string& ContentType() const override { return content_type_; }
  bool IsSignature() const override { return signature_; }

 private:
  const std::string content_type_;
  const bool signature_;
};

}  // namespace kestrel::host
