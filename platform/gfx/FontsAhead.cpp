#include "platform/gfx/FontsAhead.h"

// Our declarations before the system's: their TRUE and FALSE would clash.
#include "platform/base/WorkerPriority.h"
#include "platform/gfx/Text.h"

#include <pango/pangocairo.h>

#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace os {

namespace {

// The worker's font map, with a reference of its own.
struct LoadedFonts {
  PangoFontMap* map = nullptr;
};

struct Ahead {
  std::mutex lock;
  std::future<LoadedFonts> fonts;
  std::thread::id owner;
};

Ahead& State() {
  static Ahead state;
  return state;
}

LoadedFonts Load(const std::function<std::vector<FontRequest>()>& requests) {
  LowerThisThreadPriority();
  // Pango gives each thread a font map of its own: the fonts made here go
  // into this worker's, which the owner then adopts.
  for (const FontRequest& request : requests()) {
    const Font font(request.face, request.pixelSize, request.bold, request.underline, request.italic);
    if (font.Usable()) font.Metrics();
  }
  LoadedFonts loaded;
  loaded.map = pango_cairo_font_map_get_default();
  if (loaded.map != nullptr) g_object_ref(loaded.map);
  return loaded;
}

}  // namespace

void FontsAhead::Start(std::function<std::vector<FontRequest>()> requests) {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.fonts.valid()) return;
  try {
    state.fonts = std::async(std::launch::async, Load, std::move(requests));
    state.owner = std::this_thread::get_id();
  } catch (const std::system_error&) {
    // No thread: the fonts load where they are first used.
  }
}

void FontsAhead::Take() {
  Ahead& state = State();
  std::future<LoadedFonts> fonts;
  {
    const std::lock_guard<std::mutex> guard(state.lock);
    if (!state.fonts.valid() || state.owner != std::this_thread::get_id()) return;
    fonts = std::move(state.fonts);
  }
  const LoadedFonts loaded = fonts.get();
  if (loaded.map == nullptr) return;
  pango_cairo_font_map_set_default(PANGO_CAIRO_FONT_MAP(loaded.map));
  g_object_unref(loaded.map);
}

bool FontsAhead::Pending() {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  return state.fonts.valid();
}

}  // namespace os
