#include "converter/markup/image_block_decoder.h"

#include "converter/converter_interface.h"
// After the platform's types: lcms2 defines TRUE and FALSE as macros.
#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace xpsconv {

namespace {

// How a pixel's bytes are laid out: colour channels, then alpha if any.
struct Channels {
  int colours;
  bool alpha;
  bool inks;  // CMYK or separations, not light
};

std::optional<Channels> ChannelsOf(int type, int depth) {
  switch (type) {
    case kImageGray: if (depth == 1) return Channels{1, false, false}; break;
    case kImageRgb: if (depth == 3) return Channels{3, false, false}; break;
    case kImageRgba: if (depth == 4) return Channels{3, true, false}; break;
    case kImageCmyk: if (depth == 4) return Channels{4, false, true}; break;
    case kImageCmykAlpha: if (depth == 5) return Channels{4, true, true}; break;
    case kImageChannels: if (depth >= 3 && depth <= 8) return Channels{depth, false, true}; break;
    case kImageChannelsAlpha: if (depth >= 4 && depth <= 9) return Channels{depth - 1, true, true}; break;
  }
  return std::nullopt;
}

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

// The profile's colours to 8-bit sRGB for pixels laid out as `channels`
// (alpha skipped); NULL with the problem in words when it cannot serve.
TransformHandle ToSrgb(std::span<const std::uint8_t> bytes, const Channels& channels, std::string& problem) {
  const ProfileHandle input(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
  if (!input) {
    problem = "its colour profile cannot be read";
    return nullptr;
  }
  const cmsProfileClassSignature kind = cmsGetDeviceClass(input.get());
  if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass || kind == cmsSigNamedColorClass) {
    problem = "its colour profile does not describe image colours";
    return nullptr;
  }
  const cmsUInt32Number format = cmsFormatterForColorspaceOfProfile(input.get(), 1, FALSE);
  const int profileChannels = static_cast<int>(T_CHANNELS(format));
  // Grey images with alpha come as RGBA (grey repeated): the grey profile reads the first channel.
  const bool expandedGrey = profileChannels == 1 && channels.colours == 3 && !channels.inks;
  if (format == 0 || (profileChannels != channels.colours && !expandedGrey)) {
    problem = "its colour profile is for " + std::to_string(profileChannels) + " channels, the image has " +
              std::to_string(channels.colours);
    return nullptr;
  }
  const int skipped = channels.colours - profileChannels + (channels.alpha ? 1 : 0);
  const ProfileHandle srgb(cmsCreate_sRGBProfile());
  TransformHandle transform(srgb ? cmsCreateTransform(input.get(), format | EXTRA_SH(skipped), srgb.get(),
                                                      TYPE_RGB_8, INTENT_PERCEPTUAL, 0)
                                 : nullptr);
  if (!transform) problem = "its colour profile cannot be converted to sRGB";
  return transform;
}

std::uint8_t Ink(int ink, int black) { return static_cast<std::uint8_t>(255 - std::min(255, ink + black)); }

// Colours without a profile: grey and RGB as sRGB; inks as device CMYK with
// black added to each (three inks are cyan, magenta and yellow).
void DeviceRgb(const std::uint8_t* pixel, const Channels& channels, std::uint8_t* rgb) {
  if (channels.colours == 1) {
    rgb[0] = rgb[1] = rgb[2] = pixel[0];
  } else if (!channels.inks) {
    std::memcpy(rgb, pixel, 3);
  } else {
    const int black = channels.colours >= 4 ? pixel[3] : 0;
    for (int i = 0; i < 3; ++i) rgb[i] = Ink(pixel[i], black);
  }
}

std::uint32_t Premultiplied(const std::uint8_t* rgb, std::uint8_t a) {
  auto mul = [a](std::uint8_t c) { return static_cast<std::uint32_t>((c * a + 127) / 255); };
  return (std::uint32_t{a} << 24) | (mul(rgb[0]) << 16) | (mul(rgb[1]) << 8) | mul(rgb[2]);
}

// The profile the block embeds; empty when it has none, nullopt when its place is outside the block.
std::optional<std::span<const std::uint8_t>> EmbeddedProfile(std::span<const std::uint8_t> block,
                                                            const ImageBlockHeader& header, std::size_t pixelEnd) {
  if (header.profileFlag != kImageProfileFollows) return std::span<const std::uint8_t>{};
  const std::size_t offset = ImageBlockBe32(header.profileOffset), size = ImageBlockBe32(header.profileSize);
  if (offset < pixelEnd || offset > block.size() || size > block.size() - offset) return std::nullopt;
  return block.subspan(offset, size);
}

}  // namespace

PageImage DecodeImageBlock(std::span<const std::uint8_t> block, std::span<const std::uint8_t> replacingProfile,
                           std::string& problem) {
  PageImage image;
  ImageBlockHeader header;
  if (block.size() < sizeof header) {
    problem = "it is cut short";
    return image;
  }
  std::memcpy(&header, block.data(), sizeof header);
  const int width = static_cast<int>(ImageBlockLe16(header.width));
  const int height = static_cast<int>(ImageBlockLe16(header.height));
  const int depth = header.bytesPerPixel;
  const std::optional<Channels> channels = ChannelsOf(header.colorType, depth);
  if (std::memcmp(header.magic, "RIRO", 4) != 0 || width == 0 || height == 0) {
    problem = "it is not a decoded image";
    return image;
  }
  if (!channels) {
    problem = "its colour type " + std::to_string(header.colorType) + " with " + std::to_string(depth) +
              " bytes a pixel is not drawn";
    return image;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(depth) * width;
  const std::size_t pixelEnd = kImageBlockHeaderSize + rowBytes * height;
  const auto embedded = EmbeddedProfile(block, header, pixelEnd);
  if (block.size() < pixelEnd || !embedded) {
    problem = "it is cut short";
    return image;
  }
  const std::span<const std::uint8_t> profile = replacingProfile.empty() ? *embedded : replacingProfile;
  TransformHandle transform;
  if (!profile.empty() && !(transform = ToSrgb(profile, *channels, problem))) return image;

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    problem = "there is no memory to draw it";
    return image;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<std::uint8_t> converted(transform ? std::size_t{3} * width : 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = block.data() + kImageBlockHeaderSize + rowBytes * y;
    if (transform) cmsDoTransform(transform.get(), source, converted.data(), static_cast<cmsUInt32Number>(width));
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* pixel = source + static_cast<std::size_t>(x) * depth;
      std::uint8_t rgb[3];
      if (transform)
        std::memcpy(rgb, &converted[std::size_t{3} * x], 3);
      else
        DeviceRgb(pixel, *channels, rgb);
      row[x] = Premultiplied(rgb, channels->alpha ? pixel[depth - 1] : 255);
    }
  }
  cairo_surface_mark_dirty(surface);
  const double dpiX = ImageBlockLe16(header.dpiX) + ImageBlockLe16(header.dpiXFraction) / 65536.0;
  const double dpiY = ImageBlockLe16(header.dpiY) + ImageBlockLe16(header.dpiYFraction) / 65536.0;
  image.surface = surface;
  image.width = width;
  image.height = height;
  image.dpiX = dpiX > 0 ? dpiX : 96;
  image.dpiY = dpiY > 0 ? dpiY : 96;
  return image;
}

}  // namespace xpsconv
