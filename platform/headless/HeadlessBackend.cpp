// The headless backend.
#include "platform/headless/HeadlessBackend.h"

#include <algorithm>
#include <cstring>

#include "platform/headless/StaticBrowser.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace headless {

HeadlessBackend::HeadlessBackend() {
  MonitorDesc m;
  m.monitor = RECT{0, 0, 1920, 1080};
  m.work = RECT{0, 0, 1920, 1040};
  m.primary = true;
  monitors_.push_back(m);
}

std::uint64_t HeadlessBackend::NowMs() {
  std::lock_guard lock(mutex_);
  return now_;
}

void HeadlessBackend::SetClock(std::uint64_t now) {
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, now);
}

// Virtual time passes at once: a bounded wait advances the clock to its end,
// an unbounded one sleeps until another thread posts.
void HeadlessBackend::Wait(std::optional<std::uint32_t> timeoutMs) {
  std::unique_lock lock(mutex_);
  if (woken_) {
    woken_ = false;
    return;
  }
  if (timeoutMs) {
    now_ += *timeoutMs;
    return;
  }
  wake_.wait(lock, [this] { return woken_; });
  woken_ = false;
}

void HeadlessBackend::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

HeadlessBackend::Surface* HeadlessBackend::Find(SurfaceId surface) {
  auto it = surfaces_.find(surface);
  return it == surfaces_.end() ? nullptr : &it->second;
}

std::optional<SurfaceFrame> HeadlessBackend::SurfacePixels(SurfaceId surface) {
  const Surface* s = FindSurface(surface);
  if (!s || s->width <= 0 || s->height <= 0) return std::nullopt;
  SurfaceFrame frame;
  frame.width = s->width;
  frame.height = s->height;
  frame.bgra = s->pixels;
  frame.perPixelAlpha = s->perPixelAlpha;
  frame.constantAlpha = s->perPixelAlpha ? s->frameAlpha : s->opacity;
  frame.shape = s->shape;
  return frame;
}

std::unique_ptr<BrowserEngine> HeadlessBackend::CreateDefaultBrowserEngine(BrowserEngineHost* host) {
  return CreateStaticBrowserEngine(host);
}

const HeadlessBackend::Surface* HeadlessBackend::FindSurface(SurfaceId surface) const {
  auto it = surfaces_.find(surface);
  return it == surfaces_.end() ? nullptr : &it->second;
}

void HeadlessBackend::Resize(Surface& s, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == s.width && height == s.height) return;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4, 0);
  const int w = std::min(width, s.width), h = std::min(height, s.height);
  // Nothing to keep when either size is 0 (and the buffers may have no memory).
  for (int row = 0; w > 0 && row < h; ++row) {
    std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width * 4,
                s.pixels.data() + static_cast<std::size_t>(row) * s.width * 4,
                static_cast<std::size_t>(w) * 4);
  }
  s.pixels = std::move(pixels);
  s.width = width;
  s.height = height;
}

SurfaceId HeadlessBackend::CreateSurface(const SurfaceParams& params) {
  SurfaceId id = nextSurface_++;
  Surface& s = surfaces_[id];
  s.hwnd = params.hwnd;
  s.rect = params.rect;
  s.title = params.title;
  s.owner = params.owner;
  s.layered = params.layered;
  Resize(s, params.rect.right - params.rect.left, params.rect.bottom - params.rect.top);
  return id;
}

void HeadlessBackend::DestroySurface(SurfaceId surface) {
  if (captured_ == surface) captured_ = 0;
  surfaces_.erase(surface);
}

void HeadlessBackend::ShowSurface(SurfaceId surface, bool visible, bool) {
  if (Surface* s = Find(surface)) s->visible = visible;
}

void HeadlessBackend::MoveSurface(SurfaceId surface, const RECT& screenRect) {
  if (Surface* s = Find(surface)) {
    s->rect = screenRect;
    Resize(*s, screenRect.right - screenRect.left, screenRect.bottom - screenRect.top);
  }
}

void HeadlessBackend::SetSurfaceTitle(SurfaceId surface, std::u16string_view title) {
  if (Surface* s = Find(surface)) s->title = title;
}

void HeadlessBackend::SetSurfaceOwner(SurfaceId surface, SurfaceId owner) {
  if (Surface* s = Find(surface)) s->owner = owner;
}

void HeadlessBackend::SetSurfaceShape(SurfaceId surface, const WindowShape* shape) {
  if (Surface* s = Find(surface)) {
    if (shape) {
      s->shape = *shape;
    } else {
      s->shape.reset();
    }
  }
}

void HeadlessBackend::SetSurfaceLayered(SurfaceId surface, bool layered) {
  if (Surface* s = Find(surface)) {
    s->layered = layered;
    s->perPixelAlpha = false;
    s->opacity = 255;
    s->frameAlpha = 255;
  }
}

void HeadlessBackend::SetSurfaceOpacity(SurfaceId surface, BYTE alpha) {
  if (Surface* s = Find(surface)) {
    s->opacity = alpha;
    s->perPixelAlpha = false;
  }
}

void HeadlessBackend::SetSurfaceState(SurfaceId surface, SurfaceState state) {
  if (Surface* s = Find(surface)) s->state = state;
}

namespace {

// The frames kept here are one pixel per logical unit: pixels of a denser
// view are sampled at each unit's top-left device pixel.
struct LogicalPixels {
  std::vector<std::uint8_t> bytes;
  PixelView view;
};

LogicalPixels ToLogical(const PixelView& dense) {
  LogicalPixels out;
  const int width = dense.LogicalWidth(), height = dense.LogicalHeight();
  out.bytes.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = dense.pixels + static_cast<std::size_t>(dense.scale.ToDevice(y)) * dense.stride;
    for (int x = 0; x < width; ++x) {
      std::memcpy(&out.bytes[(static_cast<std::size_t>(y) * width + x) * 4],
                  row + static_cast<std::size_t>(dense.scale.ToDevice(x)) * 4, 4);
    }
  }
  out.view = PixelView{out.bytes.data(), width, height, width * 4};
  return out;
}

}  // namespace

DeviceScale HeadlessBackend::SurfaceScale(SurfaceId surface) {
  Surface* s = Find(surface);
  return s ? s->scale : DeviceScale(1);
}

void HeadlessBackend::SetScale(SurfaceId surface, DeviceScale scale) {
  Surface* s = Find(surface);
  if (!s || s->scale == scale) return;
  s->scale = scale;
  if (events_)
    events_->SurfaceExposed(surface, RECT{0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top});
}

void HeadlessBackend::Present(SurfaceId surface, const PixelView& dense, POINT from, const RECT& target) {
  Surface* s = Find(surface);
  if (!s || !dense.pixels) return;
  s->presentedScale = dense.scale;
  const LogicalPixels logical = dense.scale.IsIdentity() ? LogicalPixels{{}, dense} : ToLogical(dense);
  const PixelView& source = logical.view;
  RECT t{std::max<LONG>(target.left, 0), std::max<LONG>(target.top, 0),
         std::min<LONG>(target.right, s->width), std::min<LONG>(target.bottom, s->height)};
  const int sx = from.x + (t.left - target.left), sy = from.y + (t.top - target.top);
  const int w = std::min<int>(t.right - t.left, source.width - sx);
  const int h = std::min<int>(t.bottom - t.top, source.height - sy);
  if (w <= 0 || h <= 0 || sx < 0 || sy < 0) return;
  for (int row = 0; row < h; ++row) {
    std::memcpy(
        s->pixels.data() + (static_cast<std::size_t>(t.top + row) * s->width + t.left) * 4,
        source.pixels + static_cast<std::size_t>(sy + row) * source.stride + static_cast<std::size_t>(sx) * 4,
        static_cast<std::size_t>(w) * 4);
  }
  ++s->presents;
  NotifyFrameDrawn(s->hwnd);
}

void HeadlessBackend::PresentLayered(SurfaceId surface, const PixelView& dense, BYTE constantAlpha) {
  Surface* s = Find(surface);
  if (!s || !dense.pixels) return;
  s->presentedScale = dense.scale;
  const LogicalPixels logical = dense.scale.IsIdentity() ? LogicalPixels{{}, dense} : ToLogical(dense);
  const PixelView& frame = logical.view;
  Resize(*s, frame.width, frame.height);
  for (int row = 0; row < frame.height; ++row) {
    std::memcpy(s->pixels.data() + static_cast<std::size_t>(row) * frame.width * 4,
                frame.pixels + static_cast<std::size_t>(row) * frame.stride,
                static_cast<std::size_t>(frame.width) * 4);
  }
  s->perPixelAlpha = true;
  s->frameAlpha = constantAlpha;
  ++s->presents;
  NotifyFrameDrawn(s->hwnd);
}

void HeadlessBackend::SetCursor(SurfaceId surface, CursorShape shape) {
  if (Surface* s = Find(surface)) s->cursor = shape;
}

void HeadlessBackend::SetCapture(SurfaceId surface) {
  if (Surface* old = Find(captured_)) old->captured = false;
  captured_ = surface;
  if (Surface* s = Find(surface)) s->captured = true;
}

bool HeadlessBackend::BeginMoveDrag(SurfaceId surface, MouseButton, POINT screen, DWORD) {
  const Surface* s = Find(surface);
  if (!acceptNativeDrags_ || !s) return false;
  lastNativeDrag_ = NativeDrag{s->hwnd, true, 0, screen, SIZE{}, SIZE{}};
  return true;
}

bool HeadlessBackend::BeginResizeDrag(SurfaceId surface, UINT edge, MouseButton, POINT screen, DWORD,
                                      SIZE minTrack, SIZE maxTrack) {
  const Surface* s = Find(surface);
  if (!acceptNativeDrags_ || !s) return false;
  lastNativeDrag_ = NativeDrag{s->hwnd, false, edge, screen, minTrack, maxTrack};
  return true;
}

std::vector<MonitorDesc> HeadlessBackend::Monitors() { return monitors_; }

std::vector<ForeignWindowInfo> HeadlessBackend::ForeignWindows() {
  std::vector<ForeignWindowInfo> list;
  for (const Foreign& f : foreign_) list.push_back(f.info);
  return list;
}

ForeignId HeadlessBackend::AddForeign(const ForeignWindowDesc& foreign) {
  Foreign f;
  f.info.id = nextForeign_++;
  f.info.caption = foreign.caption;
  f.info.className = foreign.className;
  f.info.processId = foreign.processId;
  f.info.threadId = foreign.threadId;
  f.info.rect = foreign.rect;
  f.info.visible = foreign.visible;
  f.closesOnRequest = foreign.closesOnRequest;
  foreign_.insert(foreign_.begin(), f);
  return f.info.id;
}

bool HeadlessBackend::RemoveForeign(ForeignId id) {
  auto it = std::find_if(foreign_.begin(), foreign_.end(), [&](const Foreign& f) { return f.info.id == id; });
  if (it == foreign_.end()) return false;
  foreign_.erase(it);
  return true;
}

bool HeadlessBackend::PostToForeign(ForeignId window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool exists =
      std::any_of(foreign_.begin(), foreign_.end(), [&](const Foreign& f) { return f.info.id == window; });
  if (!exists) return false;
  foreignMessages_[window].push_back(ForeignMessage{message, wParam, lParam});
  return true;
}

bool HeadlessBackend::CloseForeign(ForeignId window) {
  auto it =
      std::find_if(foreign_.begin(), foreign_.end(), [&](const Foreign& f) { return f.info.id == window; });
  if (it == foreign_.end()) return false;
  ++closeRequests_[window];
  if (it->closesOnRequest) foreign_.erase(it);
  return true;
}

std::vector<ForeignMessage> HeadlessBackend::MessagesOf(ForeignId id) const {
  auto it = foreignMessages_.find(id);
  return it == foreignMessages_.end() ? std::vector<ForeignMessage>{} : it->second;
}

int HeadlessBackend::CloseRequestsOf(ForeignId id) const {
  auto it = closeRequests_.find(id);
  return it == closeRequests_.end() ? 0 : it->second;
}

int HeadlessBackend::ShowMessageBox(SurfaceId owner, std::u16string_view text, std::u16string_view caption,
                                    UINT type) {
  int answer = internal::DefaultMessageBoxAnswer(type);
  if (!answers_.empty()) {
    const int queued = answers_.front();
    answers_.pop_front();
    const auto buttons = internal::MessageBoxButtons(type);
    if (std::find(buttons.begin(), buttons.end(), queued) != buttons.end()) answer = queued;
  }
  const Surface* s = Find(owner);
  boxes_.push_back(
      MessageBoxRecord{s ? s->hwnd : nullptr, std::u16string(text), std::u16string(caption), type, answer});
  return answer;
}

void HeadlessBackend::ShowTooltip(SurfaceId owner, std::u16string_view text, POINT screen, int maxWidth) {
  const Surface* s = Find(owner);
  tooltip_ = TooltipRecord{true, std::u16string(text), screen, maxWidth, s ? s->hwnd : nullptr};
}

void HeadlessBackend::HideTooltip(SurfaceId) {
  tooltip_.visible = false;
  tooltip_.text.clear();
}

namespace {

class HeadlessCalendar final : public NativeCalendar {
 public:
  explicit HeadlessCalendar(std::weak_ptr<std::optional<HeadlessBackend::Calendar>> slot)
      : slot_(std::move(slot)) {}
  ~HeadlessCalendar() override {
    if (auto* record = Record()) record->reset();
  }
  void Select(const SYSTEMTIME& day) override {
    if (auto* record = Record()) (*record)->date = day;
  }

 private:
  // The backend's record while it is this calendar's.
  std::optional<HeadlessBackend::Calendar>* Record() const {
    auto slot = slot_.lock();
    return slot && *slot && (*slot)->object == this ? slot.get() : nullptr;
  }

  std::weak_ptr<std::optional<HeadlessBackend::Calendar>> slot_;
};

}  // namespace

std::unique_ptr<NativeCalendar> HeadlessBackend::OpenNativeCalendar(SurfaceId surface, const RECT& anchor,
                                                                    const SYSTEMTIME& date,
                                                                    NativeCalendarEvents* events) {
  auto calendar = std::make_unique<HeadlessCalendar>(calendar_);
  *calendar_ = Calendar{surface, anchor, date, events, calendar.get()};
  return calendar;
}

HeadlessBackend* Instance() {
  if (!internal::SystemExists()) return nullptr;
  return dynamic_cast<HeadlessBackend*>(&internal::Sys().backend());
}

}  // namespace headless

namespace internal {
std::unique_ptr<Backend> CreateHeadlessBackend() { return std::make_unique<headless::HeadlessBackend>(); }
}  // namespace internal

}  // namespace os
