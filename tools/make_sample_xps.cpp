// make-sample-xps: writes an XPS document of our own — pages of text set as
// Glyphs in an installed font (embedded, obfuscated), vector paths and an
// image — for the README's main job, the tests and the bench.
//
//   make-sample-xps [--pages N] [--font FILE] [--noise-kib K] OUT
//
// --noise-kib gives every page an image of its own of about K KiB of noise,
// which does not compress: a way to make large jobs (1,000 pages of 100 KiB
// make a package of about 100 MB).
#include <zlib.h>

#include <array>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "host/package/package_error.h"
#include "host/package/xps_package_writer.h"

namespace {

using kestrel::package::PackageWriter;
using kestrel::package::Relationship;
namespace reltype = kestrel::package::reltype;

constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Obfuscated fonts are keyed by the GUID of their name; a fixed one keeps the sample reproducible.
constexpr const char* kFontPart = "/Resources/Fonts/3F2504E0-4F89-11D3-9A0C-0305E82C3301.odttf";
constexpr const char* kImagePart = "/Resources/Images/gradient.png";
constexpr const char* kSequencePart = "/FixedDocumentSequence.fdseq";
constexpr const char* kDocumentPart = "/Documents/1/FixedDocument.fdoc";
constexpr const char* kNamespace = "http://schemas.microsoft.com/xps/2005/06";

struct Options {
  unsigned pages = 3;
  std::string font = kDefaultFont;
  unsigned noise_kib = 0;
  std::string output;
};

const char* const kUsage = "usage: make-sample-xps [--pages N] [--font FILE] [--noise-kib K] OUT\n";

unsigned ParseCount(const std::string& text, const char* what, unsigned low, unsigned high) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    throw std::invalid_argument(std::string(what) + " wants a number from " + std::to_string(low) + " to " +
                                std::to_string(high));
  return value;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--pages")
      options.pages = ParseCount(value(), "--pages", 1, 100000);
    else if (arg == "--font")
      options.font = value();
    else if (arg == "--noise-kib")
      options.noise_kib = ParseCount(value(), "--noise-kib", 0, 65536);
    else if (!arg.empty() && arg[0] == '-')
      throw std::invalid_argument("unknown option " + arg);
    else
      options.output = arg;
  }
  if (options.output.empty()) throw std::invalid_argument("no output file named");
  return options;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot read the font");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
  PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  const uLong crc = crc32(0, png.data() + start, static_cast<uInt>(png.size() - start));
  PutBigEndian(png, static_cast<std::uint32_t>(crc));
}

// An 8-bit RGB PNG of the given rows (each starting with its filter byte).
std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rows) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<std::uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK)
    throw std::runtime_error("compressing the image failed");
  packed.resize(packed_size);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

constexpr std::uint32_t kGradientSide = 64;

std::vector<std::uint8_t> GradientPng() {
  constexpr std::uint32_t kSide = kGradientSide;
  std::vector<std::uint8_t> rows;
  for (std::uint32_t y = 0; y < kSide; ++y) {
    rows.push_back(0);
    for (std::uint32_t x = 0; x < kSide; ++x)
      rows.insert(rows.end(), {static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4), 160});
  }
  return EncodePng(kSide, kSide, rows);
}

// The side of a square RGB image of about kib KiB.
std::uint32_t NoiseSide(unsigned kib) { return static_cast<std::uint32_t>(std::max(1.0, std::sqrt(kib * 1024.0 / 3.0))); }

std::vector<std::uint8_t> NoisePng(unsigned kib, unsigned seed) {
  const std::uint32_t side = NoiseSide(kib);
  std::mt19937 random(seed);
  std::vector<std::uint8_t> rows;
  rows.reserve(static_cast<std::size_t>(side) * (side * 3 + 1));
  for (std::uint32_t y = 0; y < side; ++y) {
    rows.push_back(0);
    for (std::uint32_t x = 0; x < side * 3; ++x) rows.push_back(static_cast<std::uint8_t>(random()));
  }
  return EncodePng(side, side, rows);
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      // A leading '{' would start a markup escape in UnicodeString.
      case '{': out += "{}{"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PageMarkup(unsigned number, unsigned pages, const std::string& noise_image, std::uint32_t noise_side) {
  static const std::array<const char*, 6> kLines = {
      "Kestrel sample document: text set as Glyphs in an embedded font,",
      "vector paths with solid and gradient fills, and a bitmap image.",
      "The quick brown fox jumps over the lazy dog. 0123456789",
      "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich.",
      "Pack my box with five dozen liquor jugs; ÆØÅ æøå — “quotes” & <angles>.",
      "Each page carries its number, so that page order can be checked.",
  };
  std::string markup = "<FixedPage xmlns=\"" + std::string(kNamespace) + "\" Width=\"816\" Height=\"1056\" xml:lang=\"en-US\">";
  markup += "<Path Data=\"M 48,48 L 768,48 L 768,1008 L 48,1008 Z\" Stroke=\"#FF1F3A60\" StrokeThickness=\"2\"/>";
  const std::string title = "Page " + std::to_string(number) + " of " + std::to_string(pages);
  markup += "<Glyphs FontUri=\"" + std::string(kFontPart) +
            "\" FontRenderingEmSize=\"28\" OriginX=\"96\" OriginY=\"120\" Fill=\"#FF1F3A60\" UnicodeString=\"" +
            Escape(title) + "\"/>";
  for (std::size_t i = 0; i < kLines.size(); ++i)
    markup += "<Glyphs FontUri=\"" + std::string(kFontPart) + "\" FontRenderingEmSize=\"14\" OriginX=\"96\" OriginY=\"" +
              std::to_string(180 + 24 * i) + "\" Fill=\"#FF000000\" UnicodeString=\"" + Escape(kLines[i]) + "\"/>";
  markup += "<Path Data=\"M 96,380 L 336,380 L 216,560 Z\" Fill=\"#FFCC3333\" Stroke=\"#FF000000\" StrokeThickness=\"3\"/>";
  markup += "<Path Data=\"M 380,470 C 420,360 540,360 580,470 S 700,580 740,470\" Stroke=\"#FF2266AA\" "
            "StrokeThickness=\"6\"/>";
  markup += "<Path Data=\"M 96,620 L 400,620 L 400,780 L 96,780 Z\"><Path.Fill><LinearGradientBrush "
            "MappingMode=\"Absolute\" StartPoint=\"96,620\" EndPoint=\"400,780\"><LinearGradientBrush.GradientStops>"
            "<GradientStop Color=\"#FFFFCC00\" Offset=\"0\"/><GradientStop Color=\"#FF00AA66\" Offset=\"1\"/>"
            "</LinearGradientBrush.GradientStops></LinearGradientBrush></Path.Fill></Path>";
  // An image brush maps the image (Viewbox, in its own units at 96 dpi) onto a box of the page.
  const auto image_path = [](const std::string& image, std::uint32_t side, int x, int y, int width, int height) {
    const std::string box = std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
                            std::to_string(height);
    return "<Path Data=\"M " + std::to_string(x) + "," + std::to_string(y) + " L " + std::to_string(x + width) + "," +
           std::to_string(y) + " L " + std::to_string(x + width) + "," + std::to_string(y + height) + " L " +
           std::to_string(x) + "," + std::to_string(y + height) + " Z\"><Path.Fill><ImageBrush ImageSource=\"" +
           image + "\" Viewbox=\"0,0," + std::to_string(side) + "," + std::to_string(side) +
           "\" ViewboxUnits=\"Absolute\" Viewport=\"" + box +
           "\" ViewportUnits=\"Absolute\"/></Path.Fill></Path>";
  };
  markup += image_path(kImagePart, kGradientSide, 456, 620, 264, 264);
  if (!noise_image.empty()) markup += image_path(noise_image, noise_side, 96, 820, 140, 140);
  markup += "</FixedPage>";
  return markup;
}

void WritePart(PackageWriter& writer, const std::string& name, const char* type, const std::string& bytes,
               const kestrel::package::PartOptions& options = {}) {
  auto sink = writer.BeginPart(name, type, options);
  sink->Write(bytes.data(), bytes.size());
  sink->Finish();
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

void WriteSample(const Options& options) {
  PackageWriter writer(options.output);
  kestrel::package::PartOptions obfuscated;
  obfuscated.obfuscate = true;
  WritePart(writer, kFontPart, "application/vnd.ms-package.obfuscated-opentype", Text(ReadFile(options.font)),
            obfuscated);
  WritePart(writer, kImagePart, "image/png", Text(GradientPng()));
  std::string document = "<FixedDocument xmlns=\"" + std::string(kNamespace) + "\">";
  for (unsigned n = 1; n <= options.pages; ++n) {
    const std::string page = "/Documents/1/Pages/" + std::to_string(n) + ".fpage";
    std::string noise;
    if (options.noise_kib) {
      noise = "/Resources/Images/noise" + std::to_string(n) + ".png";
      kestrel::package::PartOptions stored;
      stored.compression_level = 0;
      WritePart(writer, noise, "image/png", Text(NoisePng(options.noise_kib, n)), stored);
      writer.AddRelationship(page, {"", reltype::kRequiredResourceXps, noise, false});
    }
    WritePart(writer, page, "application/vnd.ms-package.xps-fixedpage+xml", PageMarkup(n, options.pages, noise, NoiseSide(options.noise_kib)));
    writer.AddRelationship(page, {"", reltype::kRequiredResourceXps, kFontPart, false});
    writer.AddRelationship(page, {"", reltype::kRequiredResourceXps, kImagePart, false});
    document += "<PageContent Source=\"Pages/" + std::to_string(n) + ".fpage\" Width=\"816\" Height=\"1056\"/>";
  }
  document += "</FixedDocument>";
  WritePart(writer, kDocumentPart, "application/vnd.ms-package.xps-fixeddocument+xml", document);
  WritePart(writer, kSequencePart, "application/vnd.ms-package.xps-fixeddocumentsequence+xml",
            "<FixedDocumentSequence xmlns=\"" + std::string(kNamespace) + "\"><DocumentReference Source=\"" +
                kDocumentPart + "\"/></FixedDocumentSequence>");
  writer.AddRelationship("/", {"", reltype::kStartPartXps, kSequencePart, false});
  writer.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    WriteSample(ParseOptions(argc, argv));
    return 0;
  } catch (const std::invalid_argument& error) {
    std::cerr << "make-sample-xps: " << error.what() << '\n' << kUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "make-sample-xps: " << error.what() << '\n';
    return 1;
  }
}
