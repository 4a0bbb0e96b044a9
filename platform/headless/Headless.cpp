// The headless backend's test API.
#include "platform/headless/Headless.h"

#include <algorithm>

#include "platform/headless/HeadlessBackend.h"
#include "platform/window/Snapshot.h"
#include "platform/window/internal/WindowSystem.h"

namespace os::headless {
namespace {

using internal::Lookup;
using internal::Sys;

PreTranslate& DefaultPreTranslate() {
  static PreTranslate filter;
  return filter;
}

HeadlessBackend& Backend() {
  if (HeadlessBackend* b = Instance()) return *b;
  Reset();
  return *Instance();
}

ForeignId ForeignIdOf(HWND hwnd) {
  Backend();
  auto w = Lookup(hwnd);
  return w && w->foreign ? w->foreignId : 0;
}

const HeadlessBackend::Surface* SurfaceOf(HWND hwnd) {
  HeadlessBackend& b = Backend();
  auto w = internal::LookupOwn(hwnd);
  return w && w->surface ? b.FindSurface(w->surface) : nullptr;
}

}  // namespace

void Reset() { internal::ResetSystem(internal::CreateHeadlessBackend()); }

bool IsActive() { return Instance() != nullptr; }

void SetDefaultPreTranslate(PreTranslate preTranslate) { DefaultPreTranslate() = std::move(preTranslate); }

int Pump(const PreTranslate& preTranslate) {
  Backend();
  const PreTranslate& filter = preTranslate ? preTranslate : DefaultPreTranslate();
  int count = 0;
  MSG msg;
  // A window that never validates itself would be painted for ever; the cap
  // keeps a faulty test from hanging.
  while (count < 100000 && internal::Retrieve(&msg, nullptr, 0, 0, true, false)) {
    ++count;
    if (filter && filter(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return count;
}

int Advance(std::uint32_t ms, const PreTranslate& preTranslate) {
  HeadlessBackend& b = Backend();
  const std::uint64_t target = b.NowMs() + ms;
  int count = Pump(preTranslate);
  for (;;) {
    auto next = internal::NextDeadline();
    if (!next || *next > target) break;
    b.SetClock(*next);
    count += Pump(preTranslate);
  }
  b.SetClock(target);
  count += Pump(preTranslate);
  return count;
}

std::uint64_t Now() { return Backend().NowMs(); }

void PassTime(std::uint32_t ms) {
  HeadlessBackend& b = Backend();
  b.SetClock(b.NowMs() + ms);
}

std::optional<int> PendingQuit() {
  Backend();
  return Sys().queue().PendingQuit();
}

void SetScreen(SIZE size, RECT workArea) {
  MonitorDesc m;
  m.monitor = RECT{0, 0, size.cx, size.cy};
  m.work = workArea;
  m.primary = true;
  SetMonitors({m});
}

void SetMonitors(std::vector<MonitorDesc> monitors) {
  Backend().SetMonitors(std::move(monitors));
  if (auto* events = Backend().events()) events->DisplayChanged();
}

void QueueMessageBoxAnswer(int answer) { Backend().answers().push_back(answer); }
std::vector<MessageBoxRecord> MessageBoxes() { return Backend().boxes(); }
void ClearMessageBoxes() { Backend().boxes().clear(); }

HWND AddForeignWindow(const ForeignWindowDesc& foreign) {
  ForeignId id = Backend().AddForeign(foreign);
  internal::RefreshForeignWindows();
  for (const auto& w : Sys().windows().All()) {
    if (w->foreign && w->foreignId == id && !w->destroyed) return w->handle;
  }
  return nullptr;
}

void RemoveForeignWindow(HWND hwnd) {
  if (ForeignId id = ForeignIdOf(hwnd)) {
    Backend().RemoveForeign(id);
    internal::RefreshForeignWindows();
  }
}

std::vector<ForeignMessage> ForeignMessages(HWND hwnd) {
  ForeignId id = ForeignIdOf(hwnd);
  return id ? Backend().MessagesOf(id) : std::vector<ForeignMessage>{};
}

int ForeignCloseRequests(HWND hwnd) {
  // The window may be gone already (it closed on request): look up its id
  // among everything ever mapped.
  ForeignId id = ForeignIdOf(hwnd);
  if (!id) {
    if (auto w = Sys().windows().FindEvenDestroyed(hwnd)) id = w->foreignId;
  }
  return id ? Backend().CloseRequestsOf(id) : 0;
}

std::optional<SurfaceInfo> Surface(HWND hwnd) {
  const HeadlessBackend::Surface* s = SurfaceOf(hwnd);
  if (!s) return std::nullopt;
  SurfaceInfo info;
  info.visible = s->visible;
  info.rect = s->rect;
  info.title = s->title;
  info.state = s->state;
  info.layered = s->layered;
  info.opacity = s->opacity;
  info.shape = s->shape;
  info.cursor = s->cursor;
  info.captured = s->captured;
  info.presents = s->presents;
  info.scale = s->scale.Factor();
  info.presentedScale = s->presentedScale.Factor();
  return info;
}

void SetSurfaceScale(HWND hwnd, int factor) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) Backend().SetScale(w->surface, DeviceScale(factor));
}

std::optional<Frame> LastFrame(HWND hwnd) {
  const HeadlessBackend::Surface* s = SurfaceOf(hwnd);
  if (!s) return std::nullopt;
  Frame f;
  f.width = s->width;
  f.height = s->height;
  f.bgra = s->pixels;
  f.perPixelAlpha = s->perPixelAlpha;
  f.constantAlpha = s->perPixelAlpha ? s->frameAlpha : s->opacity;
  return f;
}

std::vector<std::uint8_t> Appearance(HWND hwnd, int* width, int* height) {
  Backend();
  WindowPicture picture = WindowAppearance(hwnd);
  if (width) *width = picture.width;
  if (height) *height = picture.height;
  return std::move(picture.rgba);
}

bool Snapshot(HWND hwnd, const std::filesystem::path& png) {
  Backend();
  return SnapshotWindow(hwnd, png);
}

TooltipRecord Tooltip() { return Backend().tooltip(); }

void SetAcceptNativeDrags(bool accept) { Backend().SetAcceptNativeDrags(accept); }
std::optional<NativeDrag> LastNativeDrag() { return Backend().lastNativeDrag(); }

void DeliverNativePointer(PointerEvent event) {
  event.native = true;
  Backend().events()->PointerInput(event);
}

void DeliverNativeKey(const KeyEvent& event) { Backend().events()->KeyInput(event); }

void ReportSurfaceMoved(HWND hwnd, const RECT& screenRect) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) {
    Backend().MoveSurface(w->surface, screenRect);
    Backend().events()->SurfaceMoved(w->surface, screenRect);
  }
}

void ReportSurfaceState(HWND hwnd, SurfaceState state) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) {
    Backend().SetSurfaceState(w->surface, state);
    Backend().events()->SurfaceStateChanged(w->surface, state);
  }
}

void ReportActivated(HWND hwnd, bool active) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) Backend().events()->SurfaceActivated(w->surface, active);
}

void ReportCloseRequest(HWND hwnd) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) Backend().events()->SurfaceCloseRequested(w->surface);
}

void ReportForeignMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = internal::LookupOwn(hwnd);
  if (w && w->surface) Backend().events()->ForeignMessageReceived(w->surface, message, wParam, lParam);
}

void SetNativeEditFactory(NativeEditFactory factory) { Backend().SetNativeEditFactory(std::move(factory)); }

std::optional<DateCalendarRecord> OpenDateCalendar() {
  const auto slot = Backend().calendar();
  if (!*slot) return std::nullopt;
  const HeadlessBackend::Surface* s = Backend().FindSurface((*slot)->owner);
  return DateCalendarRecord{s ? s->hwnd : nullptr, (*slot)->anchor, (*slot)->date};
}

bool PickCalendarDate(const SYSTEMTIME& day) {
  const auto slot = Backend().calendar();
  if (!*slot) return false;
  // The record goes with the calendar, which the picker may close from here.
  NativeCalendarEvents* events = (*slot)->events;
  events->Picked(day);
  return true;
}

bool BrowseDateCalendar(const SYSTEMTIME& day) {
  const auto slot = Backend().calendar();
  if (!*slot) return false;
  (*slot)->date = day;
  (*slot)->events->SelectionChanged(day);
  return true;
}

bool DismissDateCalendar() {
  const auto slot = Backend().calendar();
  if (!*slot) return false;
  NativeCalendarEvents* events = (*slot)->events;
  events->Dismissed();
  return true;
}

std::optional<RECT> ImeCaretRect(HWND topLevel) {
  auto w = internal::LookupOwn(topLevel);
  if (!w || !w->surface) return std::nullopt;
  return Backend().ImeCaretRect(w->surface);
}

}  // namespace os::headless
