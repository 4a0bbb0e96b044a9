#include "platform/gfx/FontsAhead.h"

// Our declarations before the system's: their TRUE and FALSE would clash.
#include "platform/base/WorkerPriority.h"
#include "platform/gfx/Text.h"

#include <pango/pangocairo.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace os {

namespace {

// A font's description as the drawing layer gives it to Pango: face list,
// size at the resolution of the moment, weight and style. Two fonts with the
// same one measure the same.
std::string KeyOf(const Font& font) {
  if (font.Description() == nullptr) return {};
  char* text = pango_font_description_to_string(font.Description());
  std::string key = text != nullptr ? text : "";
  g_free(text);
  return key;
}

struct MeasuredFont {
  std::string key;
  TextMetrics metrics;
};

// The worker's font map, with a reference of its own, and what it measured.
struct LoadedFonts {
  PangoFontMap* map = nullptr;
  std::vector<MeasuredFont> measured;
};

struct Ahead {
  std::mutex lock;
  std::future<LoadedFonts> fonts;
  std::thread::id owner;
  // Set by the hand-over: the worker ends after the font it is loading.
  std::atomic<bool> stop{false};
  // What handed-over workers measured; read by any thread.
  std::vector<MeasuredFont> measured;
};

Ahead& State() {
  static Ahead state;
  return state;
}

LoadedFonts Load(const std::function<std::vector<FontRequest>()>& requests, const std::atomic<bool>& stop) {
  LowerThisThreadPriority();
  LoadedFonts loaded;
  // Pango gives each thread a font map of its own: the fonts made here go
  // into this worker's, which the owner then adopts.
  for (const FontRequest& request : requests()) {
    if (stop) break;
    const Font font(request.face, request.pixelSize, request.bold, request.underline, request.italic);
    if (!font.Usable()) continue;
    loaded.measured.push_back(MeasuredFont{KeyOf(font), font.Metrics()});
  }
  loaded.map = pango_cairo_font_map_get_default();
  if (loaded.map != nullptr) g_object_ref(loaded.map);
  return loaded;
}

// Tells the worker to end after the font it is loading and waits for what it
// loaded; nothing when no worker runs, or (`ownerOnly`) when the calling
// thread is not the one that started it.
std::optional<LoadedFonts> EndWorker(bool ownerOnly) {
  Ahead& state = State();
  std::future<LoadedFonts> fonts;
  {
    const std::lock_guard<std::mutex> guard(state.lock);
    if (!state.fonts.valid() || (ownerOnly && state.owner != std::this_thread::get_id())) return std::nullopt;
    fonts = std::move(state.fonts);
    state.stop = true;
  }
  return fonts.get();
}

}  // namespace

void FontsAhead::Start(std::function<std::vector<FontRequest>()> requests) {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.fonts.valid()) return;
  try {
    state.stop = false;
    state.fonts = std::async(std::launch::async, Load, std::move(requests), std::cref(state.stop));
    state.owner = std::this_thread::get_id();
  } catch (const std::system_error&) {
    // No thread: the fonts load where they are first used.
  }
}

void FontsAhead::Take() {
  Ahead& state = State();
  std::optional<LoadedFonts> ended = EndWorker(true);
  if (!ended) return;
  LoadedFonts& loaded = *ended;
  {
    const std::lock_guard<std::mutex> guard(state.lock);
    for (MeasuredFont& font : loaded.measured) state.measured.push_back(std::move(font));
  }
  if (loaded.map == nullptr) return;
  pango_cairo_font_map_set_default(PANGO_CAIRO_FONT_MAP(loaded.map));
  g_object_unref(loaded.map);
}

void FontsAhead::Stop() {
  const std::optional<LoadedFonts> ended = EndWorker(false);
  if (ended && ended->map != nullptr) g_object_unref(ended->map);
}

bool FontsAhead::Pending() {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  return state.fonts.valid();
}

bool FontsAhead::Finished() {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  return state.fonts.valid() && state.fonts.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

bool FontsAhead::Measured(const Font& font, TextMetrics& metrics) {
  Ahead& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.measured.empty()) return false;
  const std::string key = KeyOf(font);
  for (const MeasuredFont& measured : state.measured) {
    if (measured.key == key) {
      metrics = measured.metrics;
      return true;
    }
  }
  return false;
}

}  // namespace os
