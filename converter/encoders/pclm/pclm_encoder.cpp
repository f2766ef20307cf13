// The PCLm encoder library (PCLMENC.DLL): pages as the strip-based PDF
// raster of Mopria printers. Each page is a PDF page of image strips of
// kStripRows rows, compressed with zlib, drawn top to bottom at the page's
// resolution; sRGB (3 planes) or sGray (1 plane), 8 bits. The document's
// page tree, catalogue and cross-reference table follow the last page.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "converter/encoder_interface.h"

#define KESTREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::uint32_t kStripRows = 16;

struct PclmEncoder {
  EncoderSink sink = nullptr;
  void* context = nullptr;
  std::size_t written = 0;
  bool failed = false;
  std::vector<std::size_t> offsets{0, 0, 0};  // by object number; 1 catalogue, 2 page tree
  std::vector<std::uint32_t> pages;           // page object numbers
  // The page being written.
  RasterPageFormat format{};
  std::uint32_t rowsLeft = 0;
  std::uint32_t nextStripObject = 0;
  std::vector<std::uint8_t> strip;
  std::uint32_t stripRows = 0;
};

bool Write(PclmEncoder& e, const std::string& text) {
  if (e.failed || !e.sink(e.context, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {
    e.failed = true;
    return false;
  }
  e.written += text.size();
  return true;
}

bool WriteBytes(PclmEncoder& e, const std::vector<std::uint8_t>& bytes, std::size_t length) {
  if (e.failed || !e.sink(e.context, bytes.data(), length)) {
    e.failed = true;
    return false;
  }
  e.written += length;
  return true;
}

std::uint32_t NewObject(PclmEncoder& e) {
  e.offsets.push_back(0);
  return static_cast<std::uint32_t>(e.offsets.size() - 1);
}

bool BeginObject(PclmEncoder& e, std::uint32_t number) {
  e.offsets[number] = e.written;
  return Write(e, std::to_string(number) + " 0 obj\n");
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

std::uint32_t StripCount(const RasterPageFormat& f) { return (f.height + kStripRows - 1) / kStripRows; }

bool FlushStrip(PclmEncoder& e) {
  const std::uint32_t rows = e.stripRows;
  const uLong raw = static_cast<uLong>(std::size_t{e.format.width} * e.format.planes * rows);
  std::vector<std::uint8_t> packed(compressBound(raw));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  if (compress2(packed.data(), &packedSize, e.strip.data(), raw, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
  const std::uint32_t object = e.nextStripObject++;
  const bool ok = BeginObject(e, object) &&
                  Write(e, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(e.format.width) +
                               " /Height " + std::to_string(rows) + " /ColorSpace " +
                               (e.format.planes == 1 ? "/DeviceGray" : "/DeviceRGB") +
                               " /BitsPerComponent 8 /Filter /FlateDecode /Length " + std::to_string(packedSize) +
                               " >>\nstream\n") &&
                  WriteBytes(e, packed, packedSize) && Write(e, "\nendstream\nendobj\n");
  e.stripRows = 0;
  return ok;
}

}  // namespace

KESTREL_EXPORT void* EncoderOpen(EncoderSink sink, void* context) {
  if (!sink) return nullptr;
  auto* encoder = new PclmEncoder;
  encoder->sink = sink;
  encoder->context = context;
  // The binary comment marks the file as binary for transports that care.
  if (!Write(*encoder, "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n%PCLm 1.0\n")) {
    delete encoder;
    return nullptr;
  }
  return encoder;
}

KESTREL_EXPORT INT EncoderStartPage(void* handle, const EncoderPage* page) {
  auto* e = static_cast<PclmEncoder*>(handle);
  if (!e || !page || e->failed || e->rowsLeft) return 0;
  const RasterPageFormat& f = page->format;
  // PCLm carries sRGB and sGray only.
  if ((f.planes != 1 && f.planes != 3) || f.width == 0 || f.height == 0 || f.resolutionX == 0 || f.resolutionY == 0)
    return 0;
  e->format = f;
  const std::uint32_t pageObject = NewObject(*e), contentObject = NewObject(*e);
  const std::uint32_t strips = StripCount(f);
  const std::uint32_t firstStrip = static_cast<std::uint32_t>(e->offsets.size());
  for (std::uint32_t i = 0; i < strips; ++i) NewObject(*e);
  e->pages.push_back(pageObject);
  const double width = f.width * 72.0 / f.resolutionX, height = f.height * 72.0 / f.resolutionY;
  std::string resources;
  for (std::uint32_t i = 0; i < strips; ++i)
    resources += "/Image" + std::to_string(i) + " " + std::to_string(firstStrip + i) + " 0 R ";
  std::string content = "q " + Number(72.0 / f.resolutionX) + " 0 0 " + Number(72.0 / f.resolutionY) + " 0 0 cm\n";
  for (std::uint32_t i = 0; i < strips; ++i) {
    const std::uint32_t top = i * kStripRows;
    const std::uint32_t rows = std::min(kStripRows, f.height - top);
    content += "q " + std::to_string(f.width) + " 0 0 " + std::to_string(rows) + " 0 " +
               std::to_string(f.height - top - rows) + " cm /Image" + std::to_string(i) + " Do Q\n";
  }
  content += "Q\n";
  const bool ok = BeginObject(*e, pageObject) &&
                  Write(*e, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(width) + " " + Number(height) +
                                "] /Resources << /XObject << " + resources + ">> >> /Contents " +
                                std::to_string(contentObject) + " 0 R >>\nendobj\n") &&
                  BeginObject(*e, contentObject) &&
                  Write(*e, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                                "endstream\nendobj\n");
  e->rowsLeft = f.height;
  e->nextStripObject = firstStrip;
  e->strip.assign(std::size_t{f.width} * f.planes * kStripRows, 0);
  e->stripRows = 0;
  return ok;
}

KESTREL_EXPORT INT EncoderWriteRows(void* handle, const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  auto* e = static_cast<PclmEncoder*>(handle);
  const std::size_t rowBytes = e ? std::size_t{e->format.width} * e->format.planes : 0;
  if (!e || !rows || e->failed || count > e->rowsLeft || stride < rowBytes) return 0;
  for (std::uint32_t row = 0; row < count; ++row) {
    std::copy(rows + row * stride, rows + row * stride + rowBytes, e->strip.begin() + e->stripRows * rowBytes);
    ++e->stripRows;
    --e->rowsLeft;
    if ((e->stripRows == kStripRows || e->rowsLeft == 0) && !FlushStrip(*e)) return 0;
  }
  return !e->failed;
}

KESTREL_EXPORT INT EncoderEndPage(void* handle) {
  auto* e = static_cast<PclmEncoder*>(handle);
  return e && e->rowsLeft == 0 && !e->failed;
}

KESTREL_EXPORT INT EncoderClose(void* handle) {
  auto* e = static_cast<PclmEncoder*>(handle);
  if (!e) return 0;
  bool ok = !e->failed && e->rowsLeft == 0;
  if (ok) {
    std::string kids;
    for (const std::uint32_t page : e->pages) kids += std::to_string(page) + " 0 R ";
    ok = BeginObject(*e, 1) && Write(*e, "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n") && BeginObject(*e, 2) &&
         Write(*e, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(e->pages.size()) +
                       " >>\nendobj\n");
    const std::size_t xref = e->written;
    std::string table = "xref\n0 " + std::to_string(e->offsets.size()) + "\n0000000000 65535 f \n";
    for (std::size_t i = 1; i < e->offsets.size(); ++i) {
      char entry[24];
      std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", e->offsets[i]);
      table += entry;
    }
    ok = ok && Write(*e, table + "trailer\n<< /Size " + std::to_string(e->offsets.size()) +
                             " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  }
  delete e;
  return ok;
}
