#include "converter/markup/page_resources.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include <lcms2.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "converter/markup/font_cache.h"
#include "converter/markup/render_failure.h"

namespace xpsconv {

namespace {

// The process's FreeType instance: faces made from it may outlive a page in
// cairo's caches, so it is never torn down.
FT_Library FreeTypeLibrary() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    return FT_Init_FreeType(&made) == 0 ? made : nullptr;
  }();
  return library;
}

std::mutex& FreeTypeMutex() {
  static std::mutex mutex;
  return mutex;
}

// Set when the allocator refused a block for being too large.
thread_local bool allocation_refused = false;

// Blocks carry their size ahead of them, so that a block is never read past
// its end whatever its header claims.
constexpr std::size_t kSizePrefix = 16;

void* Allocate(DWORD size) {
  if (size > kMaxImageBytes) {
    allocation_refused = true;
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(kSizePrefix + size));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  return block + kSizePrefix;
}

void Release(void* block) {
  if (block) std::free(static_cast<unsigned char*>(block) - kSizePrefix);
}

DWORD AllocatedSize(const void* block) {
  DWORD size = 0;
  std::memcpy(&size, static_cast<const unsigned char*>(block) - kSizePrefix, sizeof size);
  return size;
}

// The font bytes and the FreeType faces over them, freed with the cairo
// face. cairo draws with the one (on whatever thread rasterises the page);
// the page being recorded reads metrics and the character map from the
// other, so that neither waits for nor disturbs the other.
struct FontData {
  std::vector<unsigned char> bytes;
  FT_Face face = nullptr;
  FT_Face metricsFace = nullptr;
};

const cairo_user_data_key_t kFontDataKey{};

void DestroyFontData(void* data) {
  auto* font = static_cast<FontData*>(data);
  {
    std::lock_guard lock(FreeTypeMutex());
    FT_Done_Face(font->face);
    if (font->metricsFace) FT_Done_Face(font->metricsFace);
  }
  delete font;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the obfuscation of a font part whose name is its GUID: the first 32
// bytes are XORed with the GUID's bytes, last first.
bool Deobfuscate(const std::string& uri, std::vector<unsigned char>& bytes) {
  std::string stem = uri.substr(uri.rfind('/') + 1);
  stem = stem.substr(0, stem.rfind('.'));
  std::vector<unsigned char> key;
  for (std::size_t i = 0; i + 1 < stem.size();) {
    if (stem[i] == '-' || stem[i] == '{' || stem[i] == '}') {
      ++i;
      continue;
    }
    const int high = HexDigit(stem[i]), low = HexDigit(stem[i + 1]);
    if (high < 0 || low < 0) return false;
    key.push_back(static_cast<unsigned char>(high * 16 + low));
    i += 2;
  }
  if (key.size() != 16 || bytes.size() < 32) return false;
  for (std::size_t i = 0; i < 32; ++i) bytes[i] ^= key[15 - i % 16];
  return true;
}

FT_Face OpenFace(const std::vector<unsigned char>& bytes, long index) {
  std::lock_guard lock(FreeTypeMutex());
  FT_Library library = FreeTypeLibrary();
  FT_Face face = nullptr;
  if (!library || FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), index, &face) != 0)
    return nullptr;
  return face;
}

void Warn(const std::string& what) { std::fprintf(stderr, "xpsconv: %s\n", what.c_str()); }

}  // namespace

PageResources::~PageResources() {
  for (auto& [uri, font] : fonts_)
    if (font.face) cairo_font_face_destroy(font.face);
  for (auto& [uri, image] : images_)
    if (image.surface) cairo_surface_destroy(image.surface);
  for (auto& [uri, profile] : profiles_)
    if (profile.transform) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(profile.transform));
}

std::vector<std::uint8_t> PageResources::ProfileBytes(const std::string& uri) {
  BYTE* buffer = nullptr;
  DWORD size = 0;
  std::vector<std::uint8_t> bytes;
  if (callbacks_.profile &&
      callbacks_.profile(&Allocate, &Release, callbacks_.page, uri.c_str(), nullptr, nullptr, &buffer, &size) && buffer)
    bytes.assign(buffer, buffer + size);
  Release(buffer);
  return bytes;
}

std::optional<Rgba> PageResources::ProfileColor(const std::string& uri, const std::vector<double>& channels,
                                                double alpha) {
  auto found = profiles_.find(uri);
  if (found == profiles_.end()) {
    Profile profile;
    const std::vector<std::uint8_t> bytes = ProfileBytes(uri);
    if (!bytes.empty()) {
      cmsHPROFILE input = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
      if (input) {
        const cmsColorSpaceSignature space = cmsGetColorSpace(input);
        const cmsUInt32Number format = space == cmsSigCmykData  ? TYPE_CMYK_DBL
                                       : space == cmsSigRgbData ? TYPE_RGB_DBL
                                       : space == cmsSigGrayData ? TYPE_GRAY_DBL
                                                                 : 0;
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        if (format && srgb)
          profile.transform = cmsCreateTransform(input, format, srgb, TYPE_RGB_DBL, INTENT_PERCEPTUAL, 0);
        profile.channels = cmsChannelsOf(space);
        profile.cmyk = space == cmsSigCmykData;
        if (srgb) cmsCloseProfile(srgb);
        cmsCloseProfile(input);
      }
    }
    if (!profile.transform) Warn("the colour profile " + uri + " cannot be used; its colours are approximated");
    found = profiles_.emplace(uri, profile).first;
  }
  const Profile& profile = found->second;
  if (!profile.transform || channels.size() != profile.channels || channels.size() > 4) return std::nullopt;
  double in[4] = {0, 0, 0, 0}, out[3] = {0, 0, 0};
  for (std::size_t i = 0; i < channels.size(); ++i)
    in[i] = std::clamp(channels[i], 0.0, 1.0) * (profile.cmyk ? 100.0 : 1.0);  // lcms2 takes ink in percent
  cmsDoTransform(static_cast<cmsHTRANSFORM>(profile.transform), in, out, 1);
  return Rgba{std::clamp(out[0], 0.0, 1.0), std::clamp(out[1], 0.0, 1.0), std::clamp(out[2], 0.0, 1.0),
              std::clamp(alpha, 0.0, 1.0)};
}

namespace {

// A face of its own for a font part, or none (reported) when it cannot be had.
CachedFont LoadFont(const ResourceCallbacks& callbacks, const std::string& part, long index, bool bold) {
  BYTE* buffer = nullptr;
  DWORD size = 0;
  if (!callbacks.font ||
      !callbacks.font(&Allocate, &Release, callbacks.page, part.c_str(), nullptr, nullptr, &buffer, &size) ||
      !buffer) {
    Warn("the font " + part + " cannot be had; its glyph runs are skipped");
    return {};
  }
  auto* data = new FontData{std::vector<unsigned char>(buffer, buffer + size)};
  Release(buffer);
  data->face = OpenFace(data->bytes, index);
  if (!data->face && Deobfuscate(part, data->bytes)) data->face = OpenFace(data->bytes, index);
  if (data->face) data->metricsFace = OpenFace(data->bytes, index);
  if (!data->metricsFace) {
    Warn("FreeType refuses the font " + part + "; its glyph runs are skipped");
    DestroyFontData(data);
    return {};
  }
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(data->face, 0);
  if (cairo_font_face_set_user_data(face, &kFontDataKey, data, &DestroyFontData) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    DestroyFontData(data);
    return {};
  }
  if (bold) cairo_ft_font_face_set_synthesize(face, CAIRO_FT_SYNTHESIZE_BOLD);
  return CachedFont{face, data->metricsFace, data->bytes.size()};
}

}  // namespace

const PageFont* PageResources::Font(const std::string& uri, bool bold) {
  const std::string key = uri + (bold ? "\n1" : "\n0");
  if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second.face ? &found->second : nullptr;
  PageFont& slot = fonts_[key];
  const std::size_t hash = uri.find('#');
  const std::string part = uri.substr(0, hash);
  const long index = hash == std::string::npos ? 0 : std::strtol(uri.c_str() + hash + 1, nullptr, 10);
  auto load = [&] { return LoadFont(callbacks_, part, index, bold); };
  CachedFont font;
  if (job_fonts_) {
    font = job_fonts_->Find(key, load);
    if (font.face) cairo_font_face_reference(font.face);  // the page's own, for as long as it draws
  } else {
    font = load();
  }
  if (!font.face) return nullptr;
  slot = PageFont{font.face, font.freetypeFace};
  return &slot;
}

const PageImage* PageResources::Image(const std::string& uri, const std::string& profileUri) {
  const std::string key = uri + "\n" + profileUri;
  if (const auto found = images_.find(key); found != images_.end())
    return found->second.surface ? &found->second : nullptr;
  PageImage& slot = images_[key];
  const std::vector<std::uint8_t> profile = profileUri.empty() ? std::vector<std::uint8_t>{} : ProfileBytes(profileUri);
  if (!profileUri.empty() && profile.empty()) {
    Warn("the colour profile " + profileUri + " of the image " + uri + " cannot be had; the image is not drawn");
    return nullptr;
  }
  BYTE* block = nullptr;
  allocation_refused = false;
  const bool fetched = callbacks_.image &&
                       callbacks_.image(&Allocate, &Release, callbacks_.page, uri.c_str(), nullptr, nullptr, &block) &&
                       block;
  if (allocation_refused) throw RenderFailure("the image " + uri + " is larger than " +
                                              std::to_string(kMaxImageBytes >> 20) + " MB decoded");
  if (!fetched) {
    Warn("the image " + uri + " cannot be had; it is not drawn");
    return nullptr;
  }
  std::string problem;
  slot = DecodeImageBlock(std::span(block, AllocatedSize(block)), profile, problem);
  Release(block);
  if (!slot.surface)
    Warn("the image " + uri + (profileUri.empty() ? "" : " with the colour profile " + profileUri) +
         " is not drawn: " + problem);
  return slot.surface ? &slot : nullptr;
}

}  // namespace xpsconv
