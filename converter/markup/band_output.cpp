#include "converter/markup/band_output.h"

#include <algorithm>
#include <cmath>
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

void ToPlanes(const std::uint32_t* pixels, std::size_t count, int planes, std::uint8_t* out) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t r = (pixels[i] >> 16) & 0xFF, g = (pixels[i] >> 8) & 0xFF, b = pixels[i] & 0xFF;
    if (planes == 1) {
      *out++ = static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
    } else if (planes == 4) {
      const std::uint8_t k = static_cast<std::uint8_t>(255 - std::max({r, g, b}));
      const int rest = 255 - k;
      *out++ = static_cast<std::uint8_t>(rest ? (rest - r) * 255 / rest : 0);
      *out++ = static_cast<std::uint8_t>(rest ? (rest - g) * 255 / rest : 0);
      *out++ = static_cast<std::uint8_t>(rest ? (rest - b) * 255 / rest : 0);
      *out++ = k;
    } else {
      *out++ = r;
      *out++ = g;
      *out++ = b;
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

std::string WritePageBands(cairo_surface_t* page, double pageWidth, double pageHeight, const PageDevice& device,
                           RasterJob& job) {
  std::uint32_t width = 0, height = 0;
  RasterSize(device, &width, &height);
  if (width == 0 || height == 0) return "the page's media or resolution is out of range";
  const int planes = device.planes == 1 || device.planes == 4 ? device.planes : 3;
  const RasterPageFormat format{width, height, static_cast<std::uint32_t>(device.resolutionX),
                                static_cast<std::uint32_t>(device.resolutionY), static_cast<std::uint32_t>(planes),
                                device.mediaWidth, device.mediaHeight};
  if (!job.beginPage(job.control, &format)) return "the encoder refused the page";
  const int bandRows = static_cast<int>(std::clamp<std::size_t>(kBandBytes / (std::size_t{width} * 4), 1, height));
  cairo_surface_t* band = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), bandRows);
  if (cairo_surface_status(band) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(band);
    return "no memory for a band";
  }
  std::vector<std::uint8_t> rows(std::size_t{width} * planes * bandRows);
  const cairo_matrix_t toRaster = PageToRaster(pageWidth, pageHeight, device);
  std::string failure;
  for (std::uint32_t top = 0; top < height && failure.empty(); top += static_cast<std::uint32_t>(bandRows)) {
    if (!job.mayContinue(job.control)) {
      failure = "the job was cancelled";
      break;
    }
    const int count = static_cast<int>(std::min<std::uint32_t>(bandRows, height - top));
    cairo_t* cr = cairo_create(band);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_translate(cr, 0, -static_cast<double>(top));
    cairo_transform(cr, &toRaster);
    cairo_set_source_surface(cr, page, 0, 0);
    cairo_paint(cr);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) {
      failure = std::string("drawing failed: ") + cairo_status_to_string(status);
      break;
    }
    cairo_surface_flush(band);
    const unsigned char* data = cairo_image_surface_get_data(band);
    const int stride = cairo_image_surface_get_stride(band);
    const std::size_t rowBytes = std::size_t{width} * planes;
    for (int row = 0; row < count; ++row)
      ToPlanes(reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(row) * stride), width, planes,
               rows.data() + row * rowBytes);
    if (!job.writeRows(job.control, rows.data(), static_cast<std::uint32_t>(count), rowBytes))
      failure = "the encoder or the output refused the page's rows";
  }
  cairo_surface_destroy(band);
  if (failure.empty() && !job.endPage(job.control)) failure = "the encoder could not end the page";
  return failure;
}

}  // namespace xpsconv
