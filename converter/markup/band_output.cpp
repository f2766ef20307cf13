#include "converter/markup/band_output.h"

#include "converter/markup/cairo_handles.h"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <system_error>
#include <memory>
#include <vector>

namespace xpsconv {

namespace {

// The raster of one band, whatever the resolution.
constexpr std::size_t kBandBytes = 16u << 20;
// Media beyond 5 m a side or resolutions beyond 2400 dpi are refused.
constexpr int kMaxMediaMicrons = 5'000'000;
constexpr int kMaxResolution = 2400;

// Page units (1/96 inch) to raster pixels, turned by the rotation code.
cairo_matrix_t PageToRaster(double pageWidth, double pageHeight, const PageDevice& device) {
  const double sx = device.resolutionX / 96.0, sy = device.resolutionY / 96.0;
  cairo_matrix_t m;
  switch (device.rotationCode) {
    case 3:  // 90 degrees clockwise
      cairo_matrix_init(&m, 0, sy, -sx, 0, pageHeight * sx, 0);
      break;
    case 4:
      cairo_matrix_init(&m, -sx, 0, 0, -sy, pageWidth * sx, pageHeight * sy);
      break;
    case 5:  // 270 degrees
      cairo_matrix_init(&m, 0, -sy, sx, 0, 0, pageWidth * sy);
      break;
    default:
      cairo_matrix_init_scale(&m, sx, sy);
  }
  return m;
}

struct PixelBox {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The whole raster pixels inside the page mapped onto the raster: there the
// opaque page is replayed straight into the band (cairo would otherwise draw
// it into a band-sized copy first); the rest of the raster stays white.
PixelBox PageBox(const cairo_matrix_t& toRaster, double pageWidth, double pageHeight, std::uint32_t width,
                 std::uint32_t height) {
  double x1 = 0, y1 = 0, x2 = pageWidth, y2 = pageHeight;
  cairo_matrix_transform_point(&toRaster, &x1, &y1);
  cairo_matrix_transform_point(&toRaster, &x2, &y2);
  constexpr double kSlack = 1e-6;
  auto inside = [](double low, double high, std::uint32_t size, int* first, int* last) {
    *first = static_cast<int>(std::clamp(std::ceil(low - kSlack), 0.0, double(size)));
    *last = static_cast<int>(std::clamp(std::floor(high + kSlack), double(*first), double(size)));
  };
  PixelBox box;
  inside(std::min(x1, x2), std::max(x1, x2), width, &box.x1, &box.x2);
  inside(std::min(y1, y2), std::max(y1, y2), height, &box.y1, &box.y2);
  return box;
}

// Draws the band whose first row is raster row top; cairo's status.
cairo_status_t DrawBand(cairo_surface_t* band, cairo_surface_t* page, const cairo_matrix_t& toRaster,
                        const PixelBox& box, int top) {
  cairo_t* cr = cairo_create(band);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  const int rows = cairo_image_surface_get_height(band);
  const int y1 = std::max(box.y1 - top, 0), y2 = std::min(box.y2 - top, rows);
  if (y2 > y1 && box.x2 > box.x1) {
    cairo_rectangle(cr, box.x1, y1, box.x2 - box.x1, y2 - y1);
    cairo_clip(cr);
    cairo_translate(cr, 0, -static_cast<double>(top));
    cairo_transform(cr, &toRaster);
    cairo_set_source_surface(cr, page, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
  }
  const cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  return status;
}

#if defined(__x86_64__)
// Sixteen bytes of four RGB24 pixels (B G R x each) to twelve of R G B: one
// byte shuffle, on processors that have it.
__attribute__((target("ssse3"))) std::size_t ToRgbShuffled(const std::uint32_t* pixels, std::size_t count,
                                                           std::uint8_t* out) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t i = 0;
  // Each store writes 16 bytes for 12: the last group is left to the caller.
  for (; i + 8 <= count; i += 4, out += 12) {
    const __m128i quad = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(quad, order));
  }
  return i;
}
#endif

// One row of cairo's RGB24 pixels to the encoder's interleaved samples; the
// plane count is fixed per page, so each case is a loop of its own.
void ToPlanes(const std::uint32_t* pixels, std::size_t count, int planes, std::uint8_t* out) {
  switch (planes) {
    case 1:
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t r = (pixels[i] >> 16) & 0xFF, g = (pixels[i] >> 8) & 0xFF, b = pixels[i] & 0xFF;
        out[i] = static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
      }
      break;
    case 4:
      for (std::size_t i = 0; i < count; ++i, out += 4) {
        const std::uint8_t r = (pixels[i] >> 16) & 0xFF, g = (pixels[i] >> 8) & 0xFF, b = pixels[i] & 0xFF;
        const std::uint8_t k = static_cast<std::uint8_t>(255 - std::max({r, g, b}));
        const int rest = 255 - k;
        out[0] = static_cast<std::uint8_t>(rest ? (rest - r) * 255 / rest : 0);
        out[1] = static_cast<std::uint8_t>(rest ? (rest - g) * 255 / rest : 0);
        out[2] = static_cast<std::uint8_t>(rest ? (rest - b) * 255 / rest : 0);
        out[3] = k;
      }
      break;
    default: {
      // Four pixels at a time into three words: byte-swapped, a pixel's
      // value holds R, G, B in the order they are written.
      std::size_t i = 0;
#if defined(__x86_64__)
      static const bool shuffles = __builtin_cpu_supports("ssse3");
      if (shuffles) {
        i = ToRgbShuffled(pixels, count, out);
        out += i * 3;
      }
#endif
      for (; std::endian::native == std::endian::little && i + 4 <= count; i += 4, out += 12) {
        const std::uint32_t p0 = __builtin_bswap32(pixels[i]) >> 8, p1 = __builtin_bswap32(pixels[i + 1]) >> 8;
        const std::uint32_t p2 = __builtin_bswap32(pixels[i + 2]) >> 8, p3 = __builtin_bswap32(pixels[i + 3]) >> 8;
        const std::uint32_t words[3] = {p0 | p1 << 24, p1 >> 8 | p2 << 16, p2 >> 16 | p3 << 8};
        std::memcpy(out, words, sizeof words);
      }
      for (; i < count; ++i, out += 3) {
        out[0] = static_cast<std::uint8_t>(pixels[i] >> 16);
        out[1] = static_cast<std::uint8_t>(pixels[i] >> 8);
        out[2] = static_cast<std::uint8_t>(pixels[i]);
      }
    }
  }
}

}  // namespace

void RasterSize(const PageDevice& device, std::uint32_t* width, std::uint32_t* height) {
  *width = *height = 0;
  if (device.mediaWidth <= 0 || device.mediaHeight <= 0 || device.mediaWidth > kMaxMediaMicrons ||
      device.mediaHeight > kMaxMediaMicrons || device.resolutionX <= 0 || device.resolutionY <= 0 ||
      device.resolutionX > kMaxResolution || device.resolutionY > kMaxResolution)
    return;
  *width = static_cast<std::uint32_t>(std::lround(device.mediaWidth / 25400.0 * device.resolutionX));
  *height = static_cast<std::uint32_t>(std::lround(device.mediaHeight / 25400.0 * device.resolutionY));
}

namespace {

// A begun page whose bands are still to be drawn and sent.
struct BandedPage {
  CairoSurface page;  // a reference of its own
  std::shared_ptr<const void> drawnFrom;
  double pageWidth = 0, pageHeight = 0;
  PageDevice device;
  std::uint32_t width = 0, height = 0;
  int planes = 3;
  RasterJob* job = nullptr;
};

// Draws and sends the page's bands and ends the page. Empty on success.
std::string WriteBands(const BandedPage& banded) {
  RasterJob& job = *banded.job;
  const std::uint32_t width = banded.width, height = banded.height;
  const int planes = banded.planes;
  // Bands of (nearly) equal height: no thin last band drawn for a few rows.
  const std::size_t mostRows = std::clamp<std::size_t>(kBandBytes / (std::size_t{width} * 4), 1, height);
  const std::size_t bands = (height + mostRows - 1) / mostRows;
  const int bandRows = static_cast<int>((height + bands - 1) / bands);
  // Two bands: while one is drawn, the one before goes to the encoder on a
  // further thread. Only that thread calls the job while it runs.
  const CairoSurface bandSurfaces[2] = {
      CairoSurface{cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), bandRows)},
      CairoSurface{cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), bandRows)}};
  if (cairo_surface_status(bandSurfaces[0].get()) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_status(bandSurfaces[1].get()) != CAIRO_STATUS_SUCCESS)
    return "no memory for a band";
  const std::size_t rowBytes = std::size_t{width} * planes;
  const auto rows = std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes * bandRows);
  // The band's rows to the encoder; then whether the job may go on. Empty on success.
  auto send = [&](cairo_surface_t* band, int count) -> std::string {
    const unsigned char* data = cairo_image_surface_get_data(band);
    const int stride = cairo_image_surface_get_stride(band);
    for (int row = 0; row < count; ++row)
      ToPlanes(reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(row) * stride), width, planes,
               rows.get() + row * rowBytes);
    if (!job.writeRows(job.control, rows.get(), static_cast<std::uint32_t>(count), rowBytes))
      return "the encoder or the output refused the page's rows";
    return job.mayContinue(job.control) ? "" : "the job was cancelled";
  };
  const cairo_matrix_t toRaster = PageToRaster(banded.pageWidth, banded.pageHeight, banded.device);
  const PixelBox box = PageBox(toRaster, banded.pageWidth, banded.pageHeight, width, height);
  std::string failure = job.mayContinue(job.control) ? "" : "the job was cancelled";
  std::future<std::string> sending;
  for (std::uint32_t top = 0, index = 0; top < height && failure.empty();
       top += static_cast<std::uint32_t>(bandRows), ++index) {
    cairo_surface_t* band = bandSurfaces[index % 2].get();
    const cairo_status_t status = DrawBand(band, banded.page.get(), toRaster, box, static_cast<int>(top));
    if (status != CAIRO_STATUS_SUCCESS) {
      failure = std::string("drawing failed: ") + cairo_status_to_string(status);
      break;
    }
    cairo_surface_flush(band);  // here: the other thread only reads the pixels
    if (sending.valid() && !(failure = sending.get()).empty()) break;
    const int count = static_cast<int>(std::min<std::uint32_t>(bandRows, height - top));
    try {
      sending = std::async(std::launch::async, send, band, count);
    } catch (const std::system_error&) {  // no thread to be had: sent from here
      failure = send(band, count);
    }
  }
  if (sending.valid()) {
    const std::string last = sending.get();
    if (failure.empty()) failure = last;
  }
  if (failure.empty() && !job.endPage(job.control)) failure = "the encoder could not end the page";
  return failure;
}

INT RunBandedPage(void* state) {
  std::string failure;
  try {
    failure = WriteBands(*static_cast<const BandedPage*>(state));
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  }
  if (!failure.empty()) std::fprintf(stderr, "xpsconv: a page fails while its bands are sent: %s\n", failure.c_str());
  return failure.empty() ? 1 : 0;
}

void DiscardBandedPage(void* state) { delete static_cast<BandedPage*>(state); }

}  // namespace

std::string SendPageBands(cairo_surface_t* page, std::shared_ptr<const void> drawnFrom, double pageWidth,
                          double pageHeight, const PageDevice& device, RasterJob& job) {
  std::uint32_t width = 0, height = 0;
  RasterSize(device, &width, &height);
  if (width == 0 || height == 0) return "the page's media or resolution is out of range";
  const int planes = device.planes == 1 || device.planes == 4 ? device.planes : 3;
  const RasterPageFormat format{width, height, static_cast<std::uint32_t>(device.resolutionX),
                                static_cast<std::uint32_t>(device.resolutionY), static_cast<std::uint32_t>(planes),
                                device.mediaWidth, device.mediaHeight};
  if (!job.mayContinue(job.control)) return "the job was cancelled";
  if (!job.beginPage(job.control, &format)) return "the job refused the page: the encoder, or the page before, failed";
  auto* banded = new BandedPage{CairoSurface{cairo_surface_reference(page)}, std::move(drawnFrom), pageWidth, pageHeight, device,
                                width, height, planes, &job};
  const RasterPageWork work{banded, &RunBandedPage, &DiscardBandedPage};
  if (job.sendPage) return job.sendPage(job.control, work) ? "" : "the page's bands could not be sent";
  const bool sent = RunBandedPage(banded) != 0;
  DiscardBandedPage(banded);
  return sent ? "" : "the page's bands could not be sent";
}

}  // namespace xpsconv
