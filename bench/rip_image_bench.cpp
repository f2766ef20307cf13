// GetXPSImageData on a large PNG and a large JPEG (3000 x 2000 RGB) against
// decoding the same file with libpng and libjpeg alone into RGB rows. The
// callback reads the part, decodes, converts to 8-bit samples and fills a
// block of the converter's memory. Goal: at most 1.3 for each.
//
// The callback's own work (reading the part, converting rows) costs little;
// what it adds is fresh memory: the decoded frame and the block, 18 MB each,
// which glibc hands back to the kernel when both are freed and so faults in
// again on every call, while the baseline reuses its one buffer. Running with
// GLIBC_TUNABLES=glibc.malloc.trim_threshold=2000000000:glibc.malloc.mmap_threshold=2000000000
// shows the ratio without that effect.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filters/rip/resource_callbacks.h"
#include "platform/com_object.h"
#include "platform/part_content.h"
#include "platform/utf.h"
#include "ratio_reporter.h"
#include "thread_time.h"

// After the platform's headers: jpeglib.h defines TRUE and FALSE as macros.
#include <jpeglib.h>
#include <png.h>

namespace {

using Bytes = std::vector<BYTE>;
constexpr UINT kWidth = 3000;
constexpr UINT kHeight = 2000;

// A photograph's worth of detail: smooth gradients with grain, which neither
// codec compresses to nothing.
const Bytes& RgbPixels() {
  static const Bytes pixels = [] {
    Bytes rgb(std::size_t{kWidth} * kHeight * 3);
    std::mt19937 random(7);
    for (UINT y = 0; y < kHeight; ++y)
      for (UINT x = 0; x < kWidth; ++x) {
        BYTE* p = &rgb[(std::size_t{y} * kWidth + x) * 3];
        const unsigned grain = random() % 24;
        p[0] = static_cast<BYTE>((x * 255 / kWidth + grain) & 0xFF);
        p[1] = static_cast<BYTE>((y * 255 / kHeight + grain) & 0xFF);
        p[2] = static_cast<BYTE>(((x + y) * 255 / (kWidth + kHeight) + grain) & 0xFF);
      }
    return rgb;
  }();
  return pixels;
}

const Bytes& Png() {
  static const Bytes file = [] {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, RgbPixels().data(), 0, nullptr);
    Bytes bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, RgbPixels().data(), 0, nullptr)) bytes.clear();
    bytes.resize(size);
    return bytes;
  }();
  return file;
}

const Bytes& Jpeg() {
  static const Bytes file = [] {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = const_cast<BYTE*>(&RgbPixels()[std::size_t{c.next_scanline} * kWidth * 3]);
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
  }();
  return file;
}

// ---- Baselines: the libraries alone ----

void DecodePngAlone(const Bytes& file, Bytes& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, file.data(), file.size());
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
}

void DecodeJpegAlone(const Bytes& file, Bytes& rgb) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr errors{};
  d.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), file.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  rgb.resize(std::size_t{d.output_width} * d.output_height * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &rgb[std::size_t{d.output_scanline} * d.output_width * 3];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

// ---- The callback over a page holding the image part ----

class ImagePart final : public ComObject<IPartImage> {
 public:
  explicit ImagePart(const Bytes& bytes) : content_(CreateCompletePartContent(bytes)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(u"/Resources/image");
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override { return content_->OpenReader(stream); }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }
  HRESULT GetImageProperties(BSTR*) override { return E_NOTIMPL; }
  HRESULT SetImageContent(BSTR) override { return E_NOTIMPL; }

 private:
  std::shared_ptr<PartContent> content_;
};

class Page final : public ComObject<IFixedPage> {
 public:
  explicit Page(const Bytes& image) : image_(MakeComObject<ImagePart, IUnknown>(image)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(u"/Documents/1/Pages/1.fpage");
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream**) override { return E_NOTIMPL; }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }
  HRESULT GetPrintTicket(IPartPrintTicket**) override { return E_NOTIMPL; }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
  HRESULT GetPagePart(LPCWSTR, IUnknown** part) override { return image_.CopyTo(part); }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }

 private:
  ComPtr<IUnknown> image_;
};

void* Allocate(DWORD size) { return std::malloc(size); }
void Release(void* block) { std::free(block); }

void Callback(benchmark::State& state, const Bytes& file) {
  if (file.empty()) state.SkipWithError("the image was not made");
  const auto page = MakeComObject<Page, IFixedPage>(file);
  TimeByThreadCpu(state, [&] {
    BYTE* block = nullptr;
    if (!GetXPSImageData(&Allocate, &Release, page.Get(), "/Resources/image", nullptr, nullptr, &block))
      state.SkipWithError("the callback failed");
    benchmark::DoNotOptimize(block);
    Release(block);
  });
}

// A decoder hands out a new image each time: the baselines decode into fresh memory too.
void BM_PngLibpngAlone(benchmark::State& state) {
  const Bytes& file = Png();
  Bytes last;
  TimeByThreadCpu(state, [&] {
    Bytes rgb;
    DecodePngAlone(file, rgb);
    last.swap(rgb);
  });
  if (last != RgbPixels()) state.SkipWithError("libpng decoded other pixels");
}
BENCHMARK(BM_PngLibpngAlone)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PngCallback(benchmark::State& state) { Callback(state, Png()); }
BENCHMARK(BM_PngCallback)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_JpegLibjpegAlone(benchmark::State& state) {
  const Bytes& file = Jpeg();
  TimeByThreadCpu(state, [&] {
    Bytes rgb;
    DecodeJpegAlone(file, rgb);
    benchmark::DoNotOptimize(rgb.data());
  });
}
BENCHMARK(BM_JpegLibjpegAlone)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_JpegCallback(benchmark::State& state) { Callback(state, Jpeg()); }
BENCHMARK(BM_JpegCallback)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Each callback is set against the baseline of its own format, measured in the same run.
  benchmark::Initialize(&argc, argv);
  for (const auto& [baseline, measured] : {std::pair{"BM_PngLibpngAlone", "BM_PngCallback"},
                                           std::pair{"BM_JpegLibjpegAlone", "BM_JpegCallback"}}) {
    RatioReporter reporter(std::string(baseline) + "/manual_time", "image");
    benchmark::RunSpecifiedBenchmarks(&reporter, std::string(baseline) + "|" + measured);
  }
  benchmark::Shutdown();
  return 0;
}
