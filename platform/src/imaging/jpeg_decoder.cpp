#include "decoders.h"

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdlib>

namespace imaging {
namespace {

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool truncated = false;
};

[[noreturn]] void FailJpeg(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Only the end of the data inside the image matters; libjpeg would pad it with grey.
void NoteWarning(j_common_ptr cinfo, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  if (level < 0 && errors->manager.msg_code == JWRN_JPEG_EOF) errors->truncated = true;
}

void ReadMetadata(jpeg_decompress_struct& cinfo, BitmapFrame& frame) {
  if (cinfo.saw_JFIF_marker && cinfo.density_unit == 1) frame.SetResolution(cinfo.X_density, cinfo.Y_density);
  if (cinfo.saw_JFIF_marker && cinfo.density_unit == 2)
    frame.SetResolution(cinfo.X_density * 2.54, cinfo.Y_density * 2.54);
  JOCTET* profile = nullptr;
  unsigned int length = 0;
  if (jpeg_read_icc_profile(&cinfo, &profile, &length) && profile) {
    frame.AddColorContext(std::vector<BYTE>(profile, profile + length));
    std::free(profile);
  }
}

}  // namespace

HRESULT DecodeJpeg(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame) {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors;
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = FailJpeg;
  errors.manager.emit_message = NoteWarning;
  std::unique_ptr<BitmapFrame> made;
  HRESULT hr = S_OK;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return errors.truncated ? IMAGING_E_TRUNCATED : IMAGING_E_BADIMAGE;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || errors.truncated) {
    jpeg_destroy_decompress(&cinfo);
    return IMAGING_E_TRUNCATED;
  }
  PixelFormat format = PixelFormat::k24bppRGB;
  if (cinfo.num_components == 1) {
    cinfo.out_color_space = JCS_GRAYSCALE;
    format = PixelFormat::k8bppGray;
  } else if (cinfo.num_components == 4) {
    cinfo.out_color_space = JCS_CMYK;
    format = PixelFormat::k32bppCMYK;
  } else {
    cinfo.out_color_space = JCS_RGB;
  }
  hr = BitmapFrame::Describe(cinfo.image_width, cinfo.image_height, format, &made);
  if (SUCCEEDED(hr)) {
    ReadMetadata(cinfo, *made);
    hr = made->PlacePixels(place);
  }
  if (SUCCEEDED(hr)) {
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height && !errors.truncated) {
      JSAMPROW row = made->MutableRow(cinfo.output_scanline).data();
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (!errors.truncated) jpeg_finish_decompress(&cinfo);
    if (errors.truncated) hr = IMAGING_E_TRUNCATED;
  }
  // Writers of Adobe CMYK store every sample inverted.
  if (SUCCEEDED(hr) && format == PixelFormat::k32bppCMYK && cinfo.saw_Adobe_marker)
    for (BYTE& sample : made->MutablePixels()) sample = static_cast<BYTE>(255 - sample);
  if (SUCCEEDED(hr)) *frame = std::move(made);
  jpeg_destroy_decompress(&cinfo);
  return hr;
}

}  // namespace imaging
