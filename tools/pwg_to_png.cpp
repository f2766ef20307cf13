// pwg-to-png: turns a PWG Raster file (what `xpspipe run --config print`
// writes) into one PNG per page, to look at what would be printed.
//
// Usage: pwg-to-png IN.pwg OUT-PREFIX   writes OUT-PREFIX-1.png, -2.png, ...
// and prints one line per page: its file, size in pixels, resolution, colour
// space and media name. Grey, sRGB and CMYK (shown without colour management)
// at 8 bits per sample are read.
#include <cups/raster.h>
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "pwg-to-png: %s\n", why.c_str());
  return 1;
}

// One row of the page's samples as RGB.
void ToRgb(const cups_page_header2_t& header, const unsigned char* in, unsigned char* out) {
  for (unsigned x = 0; x < header.cupsWidth; ++x) {
    switch (header.cupsColorSpace) {
      case CUPS_CSPACE_SW:
      case CUPS_CSPACE_W:
        out[0] = out[1] = out[2] = in[x];
        break;
      case CUPS_CSPACE_CMYK: {
        const unsigned char* p = in + 4 * x;
        const int k = 255 - p[3];
        out[0] = static_cast<unsigned char>((255 - p[0]) * k / 255);
        out[1] = static_cast<unsigned char>((255 - p[1]) * k / 255);
        out[2] = static_cast<unsigned char>((255 - p[2]) * k / 255);
        break;
      }
      default:
        out[0] = in[3 * x], out[1] = in[3 * x + 1], out[2] = in[3 * x + 2];
    }
    out += 3;
  }
}

bool Supported(const cups_page_header2_t& header) {
  const bool grey = header.cupsColorSpace == CUPS_CSPACE_SW || header.cupsColorSpace == CUPS_CSPACE_W;
  const unsigned samples = grey ? 1 : header.cupsColorSpace == CUPS_CSPACE_CMYK ? 4 : 3;
  const bool rgb = header.cupsColorSpace == CUPS_CSPACE_SRGB || header.cupsColorSpace == CUPS_CSPACE_RGB ||
                   header.cupsColorSpace == CUPS_CSPACE_ADOBERGB;
  return (grey || rgb || header.cupsColorSpace == CUPS_CSPACE_CMYK) && header.cupsBitsPerColor == 8 &&
         header.cupsColorOrder == CUPS_ORDER_CHUNKED && header.cupsBytesPerLine == header.cupsWidth * samples &&
         header.cupsWidth > 0 && header.cupsHeight > 0 && header.cupsWidth <= 100000 && header.cupsHeight <= 100000;
}

// Writes the page's rows into a PNG; false with why on failure.
bool WritePage(cups_raster_t* raster, const cups_page_header2_t& header, const std::string& path, std::string& why) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    why = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<unsigned char> in(header.cupsBytesPerLine), out(std::size_t{header.cupsWidth} * 3);
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png))) {
    why = "libpng failed on " + path;
    ok = false;
  } else if (ok) {
    png_init_io(png, file);
    png_set_IHDR(png, info, header.cupsWidth, header.cupsHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, static_cast<png_uint_32>(header.HWResolution[0] / 0.0254 + 0.5),
                 static_cast<png_uint_32>(header.HWResolution[1] / 0.0254 + 0.5), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (unsigned y = 0; y < header.cupsHeight && ok; ++y) {
      if (cupsRasterReadPixels(raster, in.data(), header.cupsBytesPerLine) != header.cupsBytesPerLine) {
        why = "the raster ends inside page " + path;
        ok = false;
        break;
      }
      ToRgb(header, in.data(), out.data());
      png_write_row(png, out.data());
    }
    if (ok) png_write_end(png, info);
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: pwg-to-png IN.pwg OUT-PREFIX");
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) return Fail(std::string("cannot open ") + argv[1]);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (!raster) {
    close(fd);
    return Fail(std::string(argv[1]) + " is not a raster file");
  }
  int pages = 0;
  std::string why;
  cups_page_header2_t header;
  while (why.empty() && cupsRasterReadHeader2(raster, &header)) {
    ++pages;
    if (!Supported(header)) {
      why = "page " + std::to_string(pages) + " has a colour space or depth this tool does not read";
      break;
    }
    const std::string path = std::string(argv[2]) + "-" + std::to_string(pages) + ".png";
    if (WritePage(raster, header, path, why))
      std::printf("%s %ux%u %ux%u dpi colour-space %u media %s\n", path.c_str(), header.cupsWidth, header.cupsHeight,
                  header.HWResolution[0], header.HWResolution[1], static_cast<unsigned>(header.cupsColorSpace),
                  header.cupsPageSizeName);
  }
  cupsRasterClose(raster);
  close(fd);
  if (why.empty() && pages == 0) why = std::string(argv[1]) + " holds no page";
  return why.empty() ? 0 : Fail(why);
}
