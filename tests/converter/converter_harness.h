// Runs the package's converter pair as the rip filter does: both modules
// loaded from the driver package, a job opened with the PWG Raster encoder,
// each page's markup fed element by element (attributes last first, an
// element without children ended with XPSEndCurElem), resources served by
// fakes through the callbacks. The output records are checked and their
// payload read back as PWG Raster pages with libcups.
#pragma once

#include <cups/raster.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "converter/encoder_interface.h"
#include "platform/print_ticket_provider.h"

namespace converter_test {

struct Device {
  int mediaWidth = 215900, mediaHeight = 279400;  // microns
  int resolution = 96;
  int rotationCode = 2;
  int planes = 3;
};

struct RasterPage {
  cups_page_header2_t header;
  std::vector<unsigned char> pixels;
  // Samples of the pixel at (x, y).
  std::vector<int> At(unsigned x, unsigned y) const {
    const unsigned n = header.cupsBytesPerLine / header.cupsWidth;
    const unsigned char* p = pixels.data() + std::size_t{y} * header.cupsBytesPerLine + x * n;
    return std::vector<int>(p, p + n);
  }
};

// The fakes behind the resource callbacks: part bytes by URI.
struct FakeParts {
  std::map<std::string, std::string> fonts;
  std::map<std::string, std::string> profiles;
  std::map<std::string, std::string> images;  // whole ImageBlocks
  int fontFetches = 0;
};

inline FakeParts* current_parts = nullptr;

inline INT FakeBytes(const std::map<std::string, std::string>& parts, ConverterAllocator allocate, const char* uri,
                     BYTE** buffer, DWORD* size) {
  *buffer = nullptr;
  *size = 0;
  const auto found = parts.find(uri);
  if (found == parts.end()) return 0;
  *buffer = static_cast<BYTE*>(allocate(static_cast<DWORD>(found->second.size())));
  if (!*buffer) return 0;
  std::memcpy(*buffer, found->second.data(), found->second.size());
  *size = static_cast<DWORD>(found->second.size());
  return 1;
}

inline INT FakeFont(ConverterAllocator allocate, ConverterDeallocator, IFixedPage*, const char* uri, void*, void*,
                    BYTE** buffer, DWORD* size) {
  ++current_parts->fontFetches;
  return FakeBytes(current_parts->fonts, allocate, uri, buffer, size);
}

inline INT FakeProfile(ConverterAllocator allocate, ConverterDeallocator, IFixedPage*, const char* uri, void*, void*,
                       BYTE** buffer, DWORD* size) {
  return FakeBytes(current_parts->profiles, allocate, uri, buffer, size);
}

inline INT FakeImage(ConverterAllocator allocate, ConverterDeallocator, IFixedPage*, const char* uri, void*, void*,
                     BYTE** block) {
  *block = nullptr;
  const auto found = current_parts->images.find(uri);
  if (found == current_parts->images.end()) return 0;
  // As the real callback does: the block's size follows from its header (and a profile after the pixels).
  const std::string& bytes = found->second;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size =
      std::max(512 + std::size_t{p[16]} * (p[8] | p[9] << 8) * (p[10] | p[11] << 8), bytes.size());
  if (size > 0xFFFFFFFFu) return 0;
  *block = static_cast<BYTE*>(allocate(static_cast<DWORD>(size)));
  if (!*block) return 0;
  std::memset(*block, 0, size);
  std::memcpy(*block, bytes.data(), std::min(size, bytes.size()));
  return 1;
}

// An ImageBlock at 96 dpi of the colour type and bytes per pixel; width and
// height as the header says, pixels as given (may be shorter for a hostile
// header), then the profile, if any.
inline std::string ImageBlock(unsigned width, unsigned height, unsigned char type, unsigned char depth,
                              const std::string& pixels, const std::string& profile = "") {
  std::string block(512, '\0');
  std::memcpy(block.data(), "RIRO", 4);
  auto le16 = [&](std::size_t at, unsigned v) {
    block[at] = static_cast<char>(v & 0xFF);
    block[at + 1] = static_cast<char>(v >> 8);
  };
  auto be32 = [&](std::size_t at, std::size_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<char>(v >> (24 - 8 * i) & 0xFF);
  };
  le16(4, 6), le16(6, 28), le16(8, width), le16(10, height), le16(12, 96), le16(14, 96);
  block[16] = static_cast<char>(depth), block[17] = static_cast<char>(type), block[20] = 1, block[21] = 0x31;
  if (!profile.empty()) block[23] = 2, be32(24, 512 + pixels.size()), be32(28, profile.size());
  return block + pixels + profile;
}

// RGB pixels, 3 bytes each.
inline std::string RgbImageBlock(unsigned width, unsigned height, const std::string& pixels) {
  return ImageBlock(width, height, 1, 3, pixels);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class ConverterPair {
 public:
  ConverterPair() {
    control_ = dlopen(KESTREL_DRIVER_DIR "/3/libprnctrl.so", RTLD_NOW | RTLD_LOCAL);
    markup_ = dlopen(KESTREL_DRIVER_DIR "/3/libxpsconv.so", RTLD_NOW | RTLD_LOCAL);
  }
  ~ConverterPair() {
    if (markup_) dlclose(markup_);
    if (control_) dlclose(control_);
  }
  bool Loaded() const { return control_ && markup_; }
  template <typename F>
  F Entry(const char* name) const {
    void* symbol = dlsym(control_, name);
    if (!symbol) symbol = dlsym(markup_, name);
    return reinterpret_cast<F>(symbol);
  }

 private:
  void* control_;
  void* markup_;
};

// One job: pages in, records out.
class ConverterJob {
 public:
  explicit ConverterJob(const ConverterPair& pair, ZeroFlagCallback zeroFlag = &ZeroFlag,
                        const std::u16string& encoder = u"PWGENC.DLL")
      : pair_(pair) {
    ConverterOpenInfo info{};
    info.size = sizeof info;
    info.one = 1;
    const std::u16string path = u"" KESTREL_DRIVER_DIR "/" + encoder;
    control_ = pair.Entry<PrnCtrlOpenFunction>("PrnCtrlOpen")(u"driverout", nullptr, path.c_str(), &Write, this,
                                                              &info, zeroFlag);
    if (control_) conversion_ = pair.Entry<PrnCtrlXPS2SPDLOpenFunction>("PrnCtrlXPS2SPDLOpen")(zeroFlag, control_);
    if (conversion_) context_ = pair.Entry<GetConvCntFromSPDLCntFunction>("GetConvCntFromSPDLCnt")(conversion_);
  }
  ~ConverterJob() { Close(); }

  bool Opened() const { return context_ != nullptr; }

  // Feeds one page; false when the converter refused a call.
  bool Page(const std::string& markup, const Device& device = {}, SHORT duplex = DMDUP_SIMPLEX,
            FakeParts* parts = nullptr) {
    DEVMODEW devmode{};
    devmode.dmSize = sizeof devmode;
    devmode.dmFields = DM_DUPLEX | DM_COPIES;
    devmode.dmDuplex = duplex;
    devmode.dmCopies = 1;
    pair_.Entry<DevModeSetFunction>("DevModeSet")(&devmode, sizeof devmode, control_);
    static FakeParts none;
    current_parts = parts ? parts : &none;
    pair_.Entry<XpsSetConvResAPIFunction>("XpsSetConvResAPI")(context_, nullptr, &FakeFont, &FakeProfile, &FakeImage,
                                                               nullptr, nullptr);
    pair_.Entry<XpsSetPageDeviceFunction>("XpsSetPageDevice")(
        context_, 1, 1, device.mediaWidth, device.mediaHeight, 0, 0, device.mediaWidth, device.mediaHeight,
        device.resolution, device.resolution, device.rotationCode, 0, 4, 100, device.mediaHeight,
        device.mediaHeight, device.planes, device.planes, 8);
    xmlDoc* document = xmlReadMemory(markup.data(), static_cast<int>(markup.size()), "page.xml", nullptr,
                                     XML_PARSE_NONET | XML_PARSE_HUGE);
    if (!document) return false;
    const bool fed = Feed(xmlDocGetRootElement(document));
    xmlFreeDoc(document);
    return fed;
  }

  // Closes the job and reads back the pages; records must all be whole and printer data.
  std::vector<RasterPage> Close() {
    if (conversion_) closed_well_ = pair_.Entry<PrnCtrlXPS2SPDLCloseFunction>("PrnCtrlXPS2SPDLClose")(conversion_) != 0;
    if (control_) pair_.Entry<PrnCtrlCloseFunction>("PrnCtrlClose")(control_);
    conversion_ = control_ = context_ = nullptr;
    return ReadPages(payload_);
  }
  const std::string& payload() const { return payload_; }
  bool recordsWhole() const { return records_whole_; }
  // Whether the last Close found the conversion ending well.
  bool closedWell() const { return closed_well_; }
  // Every write from now on fails, as an output that has gone away.
  void RefuseWrites() { refuse_writes_ = true; }

  static INT ZeroFlag(BYTE* flag) {
    *flag = 0;
    return 1;
  }

  static std::vector<RasterPage> ReadPages(const std::string& bytes) {
    std::vector<RasterPage> pages;
    struct Source {
      const std::string* bytes;
      std::size_t at = 0;
    } source{&bytes};
    cups_raster_t* raster = cupsRasterOpenIO(
        [](void* context, unsigned char* buffer, size_t length) -> ssize_t {
          auto* s = static_cast<Source*>(context);
          const std::size_t n = std::min(length, s->bytes->size() - s->at);
          std::memcpy(buffer, s->bytes->data() + s->at, n);
          s->at += n;
          return static_cast<ssize_t>(n);
        },
        &source, CUPS_RASTER_READ);
    if (!raster) return pages;
    RasterPage page;
    while (cupsRasterReadHeader2(raster, &page.header)) {
      page.pixels.resize(std::size_t{page.header.cupsBytesPerLine} * page.header.cupsHeight);
      for (unsigned y = 0; y < page.header.cupsHeight; ++y)
        if (!cupsRasterReadPixels(raster, page.pixels.data() + std::size_t{y} * page.header.cupsBytesPerLine,
                                  page.header.cupsBytesPerLine))
          break;
      pages.push_back(page);
    }
    cupsRasterClose(raster);
    return pages;
  }

 private:
  static HRESULT Write(const void* buffer, DWORD length, void* context) {
    auto* job = static_cast<ConverterJob*>(context);
    if (job->refuse_writes_) return E_FAIL;
    const auto* bytes = static_cast<const char*>(buffer);
    // Each call holds whole records of printer data.
    std::size_t at = 0;
    while (at < length) {
      OutputRecordHeader header;
      if (length - at < sizeof header) {
        job->records_whole_ = false;
        break;
      }
      std::memcpy(&header, bytes + at, sizeof header);
      if (header.kind != kOutputPrinterData || header.length > length - at - sizeof header) {
        job->records_whole_ = false;
        break;
      }
      job->payload_.append(bytes + at + sizeof header, header.length);
      at += sizeof header + header.length;
    }
    return S_OK;
  }

  bool Feed(xmlNode* element) {
    if (!pair_.Entry<XPSStartElemFunction>("XPSStartElem")(QualifiedName(element).c_str(), context_)) return false;
    std::vector<xmlAttr*> attributes;
    for (xmlAttr* a = element->properties; a; a = a->next) attributes.push_back(a);
    for (auto a = attributes.rbegin(); a != attributes.rend(); ++a) {
      xmlChar* value = xmlNodeListGetString(element->doc, (*a)->children, 1);
      const std::string name = ((*a)->ns && (*a)->ns->prefix ? std::string(reinterpret_cast<const char*>((*a)->ns->prefix)) + ":" : "") +
                               reinterpret_cast<const char*>((*a)->name);
      const std::string text = value ? reinterpret_cast<const char*>(value) : "";
      xmlFree(value);
      INT accepted = 0;
      if (name == "UnicodeString") {
        std::u16string wide;
        for (const char c : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));  // ASCII in tests
        accepted = pair_.Entry<XPSReadAttFunction>("XPSReadAtt")(name.c_str(), wide.c_str(), context_);
      } else {
        accepted = pair_.Entry<XPSReadAttFunction>("XPSReadAtt")(name.c_str(), text.c_str(), context_);
      }
      if (!accepted) return false;
    }
    bool children = false;
    for (xmlNode* child = element->children; child; child = child->next) {
      if (child->type != XML_ELEMENT_NODE) continue;
      children = true;
      if (!Feed(child)) return false;
    }
    return children ? pair_.Entry<XPSEndElemFunction>("XPSEndElem")(QualifiedName(element).c_str(), context_)
                    : pair_.Entry<XPSEndCurElemFunction>("XPSEndCurElem")(context_);
  }

  static std::string QualifiedName(const xmlNode* element) {
    std::string name = element->ns && element->ns->prefix ? reinterpret_cast<const char*>(element->ns->prefix) : "";
    if (!name.empty()) name += ':';
    return name + reinterpret_cast<const char*>(element->name);
  }

  const ConverterPair& pair_;
  void* control_ = nullptr;
  void* conversion_ = nullptr;
  void* context_ = nullptr;
  std::string payload_;
  bool records_whole_ = true;
  bool closed_well_ = false;
  std::atomic<bool> refuse_writes_ = false;
};

}  // namespace converter_test
