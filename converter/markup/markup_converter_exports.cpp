// The entry points of the markup converter (XPSCONV.DLL). The page being
// built lives in the job's RasterJob, not in this library, which the rip
// filter loads afresh for every page (and again for a remote dictionary in
// the middle of one). When the page's root element ends, the page is drawn
// into a recording and begun with the job's encoder; the job rasterises it
// in bands for the encoder while the rip filter reads the next page.
#include <cairo.h>

#include <cstdio>
#include <memory>

#include "converter/markup/band_output.h"
#include "converter/markup/font_cache.h"
#include "converter/markup/markup_tree.h"
#include "converter/markup/page_renderer.h"
#include "converter/utf16_text.h"

#define KESTREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace xpsconv;

struct PageState {
  ResourceCallbacks callbacks;
  PageDevice device;
  TreeBuilder tree;
};

void DiscardPage(void* state) { delete static_cast<PageState*>(state); }

RasterJob* Job(void* converter) {
  auto* job = static_cast<RasterJob*>(converter);
  return job && job->size == sizeof(RasterJob) ? job : nullptr;
}

PageState* Page(void* converter) {
  RasterJob* job = Job(converter);
  return job && job->page.discard == &DiscardPage ? static_cast<PageState*>(job->page.state) : nullptr;
}

void DiscardFonts(void* fonts) { delete static_cast<FontCache*>(fonts); }

// The job's font cache, made with its first page. (The library is reloaded
// for every page but never unloaded, so the discard function stays the same.)
FontCache& JobFonts(RasterJob& job) {
  if (job.kept.discard != &DiscardFonts) {
    if (job.kept.discard) job.kept.discard(job.kept.state);
    job.kept = RasterJobState{new FontCache, &DiscardFonts};
  }
  return *static_cast<FontCache*>(job.kept.state);
}

void Report(const std::string& why) { std::fprintf(stderr, "xpsconv: the page fails: %s\n", why.c_str()); }

double Length(const Element& page, std::string_view name) {
  const std::string* text = page.Attribute(name);
  return text ? ParseNumber(*text).value_or(0) : 0;
}

// Draws the finished page and sends it; false (reported) on failure.
bool RenderPage(RasterJob& job, PageState& page) {
  const Element& root = *page.tree.root();
  const double width = Length(root, "Width"), height = Length(root, "Height");
  if (!(width > 0 && height > 0 && width < 1e6 && height < 1e6)) {
    Report("the page's Width and Height are missing or out of range");
    return false;
  }
  cairo_rectangle_t extents{0, 0, width, height};
  cairo_surface_t* recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
  std::string failure;
  {
    // The images and fonts the recording draws from stay until its bands are sent.
    auto resources = std::make_shared<PageResources>(page.callbacks, &JobFonts(job));
    PageBudget budget;
    cairo_t* cr = cairo_create(recording);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    try {
      const double deviceScale = std::max(page.device.resolutionX, page.device.resolutionY) / 96.0;
      PageRenderer(cr, *resources, budget, deviceScale).DrawPage(root);
      if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        failure = std::string("drawing failed: ") + cairo_status_to_string(cairo_status(cr));
    } catch (const RenderFailure& error) {
      failure = error.what();
    } catch (const std::bad_alloc&) {
      failure = "out of memory";
    }
    cairo_destroy(cr);
    if (failure.empty()) failure = SendPageBands(recording, std::move(resources), width, height, page.device, job);
  }
  cairo_surface_destroy(recording);
  if (!failure.empty()) Report(failure);
  return failure.empty();
}

// After an element ends: a finished page is drawn and dropped.
INT AfterEnd(RasterJob& job, PageState& page, bool accepted) {
  if (!accepted) {
    Report(page.tree.failure());
    return 0;
  }
  if (!page.tree.Complete()) return 1;
  const bool drawn = RenderPage(job, page);
  DiscardPage(job.page.state);
  job.page = {};
  return drawn ? 1 : 0;
}

}  // namespace

KESTREL_EXPORT INT XpsSetConvResAPI(void* converter, IFixedPage* page, GetXPSFontDataFunction font,
                                    GetXPSICCDataFunction profile, GetXPSImageDataFunction image, void*, void*) {
  RasterJob* job = Job(converter);
  if (!job) return 0;
  if (job->page.discard) job->page.discard(job->page.state);
  auto* state = new PageState;
  state->callbacks = ResourceCallbacks{page, font, profile, image};
  job->page = RasterJobState{state, &DiscardPage};
  return 1;
}

KESTREL_EXPORT INT XpsSetPageDevice(void* converter, BYTE, INT, INT mediaWidth, INT mediaHeight, INT, INT, INT, INT,
                                    INT resolutionX, INT resolutionY, INT rotationCode, INT, INT, INT, INT, INT,
                                    INT planeCode, INT, INT) {
  PageState* page = Page(converter);
  if (!page) return 0;
  page->device = PageDevice{mediaWidth, mediaHeight, resolutionX, resolutionY, rotationCode, planeCode};
  return 1;
}

KESTREL_EXPORT INT XPSStartElem(const char* name, void* converter) {
  PageState* page = Page(converter);
  if (!page || !name) return 0;
  if (page->tree.Start(name)) return 1;
  Report(page->tree.failure());
  return 0;
}

KESTREL_EXPORT INT XPSReadAtt(const char* name, const void* value, void* converter) {
  PageState* page = Page(converter);
  if (!page || !name || !value) return 0;
  const std::string_view attribute(name);
  std::string text = attribute == "UnicodeString"
                         ? converter::EncodeUtf8(converter::DecodeUtf16(static_cast<const WCHAR*>(value)))
                         : std::string(static_cast<const char*>(value));
  if (page->tree.AddAttribute(attribute, std::move(text))) return 1;
  Report(page->tree.failure());
  return 0;
}

KESTREL_EXPORT INT XPSEndElem(const char* name, void* converter) {
  PageState* page = Page(converter);
  if (!page || !name) return 0;
  return AfterEnd(*Job(converter), *page, page->tree.End(name));
}

KESTREL_EXPORT INT XPSEndCurElem(void* converter) {
  PageState* page = Page(converter);
  if (!page) return 0;
  return AfterEnd(*Job(converter), *page, page->tree.EndCurrent());
}
