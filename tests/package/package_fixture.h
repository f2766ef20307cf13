// Small packages written item by item for the package tests, and a
// temporary folder that cleans up after itself.
#pragma once

#include <zip.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::package::testing {

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-package-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TemporaryFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// ZIP items in order: (item name, bytes).
using ZipItems = std::vector<std::pair<std::string, std::string>>;

// store: items are stored rather than deflated, so their bytes can be found in the file.
inline void WriteZip(const std::filesystem::path& path, const ZipItems& items, bool store = false) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("zip_open failed");
  for (const auto& [name, bytes] : items) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      zip_source_free(source);
      zip_discard(archive);
      throw std::runtime_error("zip_file_add failed for " + name);
    }
    if (store) zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip_close failed");
}

inline const char* kFixedPageMarkup =
    "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" xml:lang=\"en\"/>";

// A one-document XPS package with `pages` pages; tests replace or add items.
class PackageItems {
 public:
  explicit PackageItems(int pages = 1) {
    Set("[Content_Types].xml",
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"fdseq\" ContentType=\"application/vnd.ms-package.xps-fixeddocumentsequence+xml\"/>"
        "<Default Extension=\"fdoc\" ContentType=\"application/vnd.ms-package.xps-fixeddocument+xml\"/>"
        "<Default Extension=\"FPAGE\" ContentType=\"application/vnd.ms-package.xps-fixedpage+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>"
        "<Default Extension=\"odttf\" ContentType=\"application/vnd.ms-package.obfuscated-opentype\"/>"
        "<Default Extension=\"ttf\" ContentType=\"application/vnd.ms-opentype\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Default Extension=\"dict\" ContentType=\"application/vnd.ms-package.xps-resourcedictionary+xml\"/>"
        "</Types>");
    Set("_rels/.rels", Relationships({{"/FixedDocumentSequence.fdseq",
                                       "http://schemas.microsoft.com/xps/2005/06/fixedrepresentation"}}));
    Set("FixedDocumentSequence.fdseq",
        "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\">"
        "<DocumentReference Source=\"Documents/1/FixedDocument.fdoc\"/></FixedDocumentSequence>");
    std::string document = "<FixedDocument xmlns=\"http://schemas.microsoft.com/xps/2005/06\">";
    for (int i = 1; i <= pages; ++i) {
      document += "<PageContent Source=\"Pages/" + std::to_string(i) + ".fpage\" Width=\"816\"/>";
      Set("Documents/1/Pages/" + std::to_string(i) + ".fpage", kFixedPageMarkup);
    }
    Set("Documents/1/FixedDocument.fdoc", document + "</FixedDocument>");
  }

  // Relationships part markup for (target, type) pairs, ids R0, R1, ...
  static std::string Relationships(const std::vector<std::pair<std::string, std::string>>& targets) {
    std::string xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 0; i < targets.size(); ++i) {
      xml += "<Relationship Id=\"R" + std::to_string(i) + "\" Type=\"" + targets[i].second + "\" Target=\"" +
             targets[i].first + "\"/>";
    }
    return xml + "</Relationships>";
  }

  PackageItems& Set(const std::string& name, std::string bytes) {
    for (auto& item : items_) {
      if (item.first == name) {
        item.second = std::move(bytes);
        return *this;
      }
    }
    items_.emplace_back(name, std::move(bytes));
    return *this;
  }
  PackageItems& Remove(const std::string& name) {
    std::erase_if(items_, [&](const auto& item) { return item.first == name; });
    return *this;
  }
  const ZipItems& Items() const { return items_; }
  void WriteTo(const std::filesystem::path& path, bool store = false) const { WriteZip(path, items_, store); }

 private:
  ZipItems items_;
};

}  // namespace kestrel::package::testing
