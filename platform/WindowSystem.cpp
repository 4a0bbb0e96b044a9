// The window system's process-wide state: backend selection, the handle
// table, what backends report, the last-error code and small shared helpers.
#include "platform/internal/WindowSystem.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace os {
namespace internal {
namespace {

thread_local DWORD tLastError = 0;

std::map<std::string, BackendFactory, std::less<>>& Factories() {
  static std::map<std::string, BackendFactory, std::less<>> factories;
  return factories;
}

std::unique_ptr<WindowSystem>& Holder() {
  static std::unique_ptr<WindowSystem> system;
  return system;
}

std::string ConfiguredBackendName() {
  const char* env = std::getenv("LUMORA_PLATFORM");
  return env && *env ? env : "gtk";
}

// The backend LUMORA_PLATFORM names, or null when it is not linked in or
// cannot start.
std::unique_ptr<Backend> CreateNamedBackend(const std::string& wanted) {
  if (wanted == "headless") return CreateHeadlessBackend();
  auto found = Factories().find(wanted);
  if (found == Factories().end() || !found->second) return nullptr;
  return found->second();
}

std::unique_ptr<Backend> CreateConfiguredBackend() {
  const std::string wanted = ConfiguredBackendName();
  if (wanted == "headless") return CreateHeadlessBackend();
  auto found = Factories().find(wanted);
  if (found != Factories().end() && found->second) {
    if (auto backend = found->second()) return backend;
    DebugNote("platform: the '" + wanted + "' backend could not start; using the headless backend");
  } else {
    DebugNote("platform: no '" + wanted + "' backend is linked in; using the headless backend");
  }
  return CreateHeadlessBackend();
}

DWORD CurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F))
    return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

}  // namespace

// ---------------------------------------------------------------------------
// RectList

void RectList::Add(const RECT& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom) return;
  Subtract(rect);
  rects_.push_back(rect);
  // A long list only costs time; an over-large update region only costs paint.
  if (rects_.size() > 48) {
    RECT bounds = Bounds();
    rects_.assign(1, bounds);
  }
}

void RectList::Subtract(const RECT& r) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  std::vector<RECT> out;
  out.reserve(rects_.size() + 4);
  for (const RECT& a : rects_) {
    if (r.right <= a.left || r.left >= a.right || r.bottom <= a.top || r.top >= a.bottom) {
      out.push_back(a);
      continue;
    }
    if (r.top > a.top) out.push_back({a.left, a.top, a.right, r.top});
    if (r.bottom < a.bottom) out.push_back({a.left, r.bottom, a.right, a.bottom});
    LONG top = std::max(a.top, r.top);
    LONG bottom = std::min(a.bottom, r.bottom);
    if (r.left > a.left) out.push_back({a.left, top, r.left, bottom});
    if (r.right < a.right) out.push_back({r.right, top, a.right, bottom});
  }
  rects_ = std::move(out);
}

void RectList::Clip(const RECT& b) {
  std::vector<RECT> out;
  for (const RECT& a : rects_) {
    RECT c{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (c.left < c.right && c.top < c.bottom) out.push_back(c);
  }
  rects_ = std::move(out);
}

void RectList::Offset(int dx, int dy) {
  for (RECT& a : rects_) {
    a.left += dx;
    a.right += dx;
    a.top += dy;
    a.bottom += dy;
  }
}

RECT RectList::Bounds() const {
  if (rects_.empty()) return {};
  RECT b = rects_.front();
  for (const RECT& a : rects_) {
    b.left = std::min(b.left, a.left);
    b.top = std::min(b.top, a.top);
    b.right = std::max(b.right, a.right);
    b.bottom = std::max(b.bottom, a.bottom);
  }
  return b;
}

// ---------------------------------------------------------------------------
// The system

WindowSystem::WindowSystem(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {
  uiThread = std::this_thread::get_id();
  uiThreadId = CurrentThreadId();
  processId = static_cast<DWORD>(::getpid());
  backend_->Attach(this);
}

WindowSystem::~WindowSystem() = default;

WindowSystem& Sys() {
  auto& holder = Holder();
  if (!holder) ResetSystem(CreateConfiguredBackend());
  return *holder;
}

bool SystemExists() { return Holder() != nullptr; }

void ResetSystem(std::unique_ptr<Backend> backend) {
  auto& holder = Holder();
  std::vector<ClassPtr> systemClasses;
  if (holder) {
    // Destroy what is left the way DestroyWindow would, so that window objects
    // above the platform layer see their final messages.
    for (int pass = 0; pass < 4; ++pass) {
      std::vector<HWND> tops;
      for (HWND h : holder->desktop->children) {
        auto w = Lookup(h);
        if (w && !w->foreign) tops.push_back(h);
      }
      if (tops.empty()) break;
      for (HWND h : tops) DestroyWindow(h);
    }
    std::vector<HWND> messageOnly;
    for (auto& [value, w] : holder->windows) {
      if (w->messageOnly && !w->destroyed) messageOnly.push_back(w->handle);
    }
    for (HWND h : messageOnly) DestroyWindow(h);
    for (auto& c : holder->classes) {
      if (c->system) {
        c->windows = 0;
        systemClasses.push_back(c);
      }
    }
  }
  holder.reset();
  holder = std::make_unique<WindowSystem>(std::move(backend));
  WindowSystem& sys = *holder;

  auto desktop = std::make_shared<Window>();
  desktop->handle = NewHandle();
  desktop->desktop = true;
  desktop->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  desktop->proc = &DefWindowProc;
  auto monitors = sys.backend().Monitors();
  RECT screen{0, 0, 1920, 1080};
  for (const auto& m : monitors) {
    if (m.primary) {
      screen = m.monitor;
      break;
    }
  }
  desktop->rect = desktop->client = screen;
  sys.desktop = desktop;
  sys.windows[reinterpret_cast<std::uintptr_t>(desktop->handle)] = desktop;
  {
    std::lock_guard lock(sys.queueMutex);
    sys.liveHandles.insert(reinterpret_cast<std::uintptr_t>(desktop->handle));
    sys.cursorPos = {(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
  }
  sys.lastMessagePos = sys.cursorPos;
  sys.cursor = LoadCursor(nullptr, IDC_ARROW);

  if (systemClasses.empty()) {
    RegisterBuiltInClasses();
  } else {
    for (auto& c : systemClasses) {
      c->atom = sys.nextAtom++;
      sys.classes.push_back(c);
    }
  }
}

HWND NewHandle() {
  WindowSystem& sys = *Holder();
  HWND h = reinterpret_cast<HWND>(sys.nextHandle);
  sys.nextHandle += 4;
  return h;
}

WindowPtr LookupByHandleValue(std::uintptr_t value) {
  WindowSystem& sys = Sys();
  auto it = sys.windows.find(value);
  if (it == sys.windows.end() || it->second->destroyed) return nullptr;
  return it->second;
}

WindowPtr Lookup(HWND hwnd) {
  if (!hwnd) return nullptr;
  return LookupByHandleValue(reinterpret_cast<std::uintptr_t>(hwnd));
}

WindowPtr LookupOwn(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w || w->desktop || w->foreign) return nullptr;
  return w;
}

WindowPtr WindowOfSurface(SurfaceId surface) {
  if (!surface) return nullptr;
  for (auto& [value, w] : Sys().windows) {
    if (w->surface == surface && !w->destroyed) return w;
  }
  return nullptr;
}

bool OnUiThread() { return std::this_thread::get_id() == Sys().uiThread; }

void SetLastErrorCode(DWORD error) { tLastError = error; }

void DebugNote(const std::string& text) { DebugOutput(DebugCategory::Window, text); }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::u16string ToLowerCopy(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = FoldCase(c);
  return out;
}

// ---------------------------------------------------------------------------
// What the backend reports

void WindowSystem::PointerInput(const PointerEvent& event) {
  InputItem item;
  item.pointer = event;
  EnqueueInput(std::move(item));
}

void WindowSystem::KeyInput(const KeyEvent& event) {
  InputItem item;
  item.key = true;
  item.keyEvent = event;
  EnqueueInput(std::move(item));
}

void WindowSystem::SurfaceMoved(SurfaceId surface, const RECT& screenRect) {
  auto w = WindowOfSurface(surface);
  if (!w || (w->style & WS_MINIMIZE)) return;
  ++fromBackend;
  SetWindowPosInternal(w, nullptr, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                       screenRect.bottom - screenRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  --fromBackend;
  // The window may have kept to its track sizes (or moved itself): the
  // desktop follows what the window decided.
  if (!w->destroyed && w->surface && !EqualRect(&w->rect, &screenRect))
    backend().MoveSurface(w->surface, w->rect);
}

void WindowSystem::SurfaceStateChanged(SurfaceId surface, SurfaceState state) {
  auto w = WindowOfSurface(surface);
  if (!w) return;
  ++fromBackend;
  switch (state) {
    case SurfaceState::Minimized:
      if (!(w->style & WS_MINIMIZE)) MinimizeWindow(w, SWP_NOACTIVATE);
      break;
    case SurfaceState::Maximized:
      if (!(w->style & WS_MAXIMIZE)) MaximizeWindow(w, SWP_NOACTIVATE);
      break;
    case SurfaceState::Normal:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) RestoreWindow(w, SWP_NOACTIVATE);
      break;
  }
  --fromBackend;
}

void WindowSystem::SurfaceActivated(SurfaceId surface, bool isActive) {
  auto w = WindowOfSurface(surface);
  if (!w) return;
  if (isActive) {
    // A disabled window cannot become active, as on Windows: the desktop may
    // still hand it the keyboard while its modal box is up (X gives the
    // focus to the window under the pointer when nobody holds it).
    if (w->style & WS_DISABLED) return;
    if (active != w->handle) ActivateWindow(w->handle, WA_ACTIVE, true);
  } else if (active == w->handle) {
    ActivateWindow(nullptr, WA_INACTIVE, true);
  }
}

void WindowSystem::SurfaceCloseRequested(SurfaceId surface) {
  if (auto w = WindowOfSurface(surface)) PostMessage(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void WindowSystem::SurfaceExposed(SurfaceId surface, const RECT& windowRect) {
  auto w = WindowOfSurface(surface);
  if (!w) return;
  RECT r = windowRect;
  OffsetRect(&r, w->rect.left - w->client.left, w->rect.top - w->client.top);
  InvalidateInternal(w, &r, false, true);
}

void WindowSystem::ForeignMessageReceived(SurfaceId surface, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto w = WindowOfSurface(surface)) PostMessage(w->handle, message, wParam, lParam);
}

void WindowSystem::DisplayChanged() {
  auto monitors = backend().Monitors();
  for (const auto& m : monitors) {
    if (m.primary) desktop->rect = desktop->client = m.monitor;
  }
  for (HWND h : std::vector<HWND>(desktop->children)) {
    if (auto w = LookupOwn(h)) PostMessage(w->handle, WM_DISPLAYCHANGE, 32, 0);
  }
}

bool WindowSystem::DispatchPending() {
  MSG msg;
  int count = 0;
  while (count < 10000 && Retrieve(&msg, nullptr, 0, 0, true, false)) {
    ++count;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return count > 0;
}

std::optional<std::uint32_t> WindowSystem::TimeToNextDeadline() {
  auto deadline = NextDeadline();
  if (!deadline) return std::nullopt;
  const std::uint64_t now = Now();
  return static_cast<std::uint32_t>(*deadline > now ? std::min<std::uint64_t>(*deadline - now, 0x7FFFFFFF)
                                                    : 0);
}

}  // namespace internal

// ---------------------------------------------------------------------------
// Public entry points

DWORD GetLastError() { return internal::tLastError; }
void SetLastError(DWORD error) { internal::tLastError = error; }

void RegisterBackendFactory(std::string_view name, BackendFactory factory) {
  internal::Factories()[std::string(name)] = factory;
}

std::string_view CurrentBackendName() { return internal::Sys().backend().Name(); }

void RestartWindowSystem() { internal::ResetSystem(internal::CreateConfiguredBackend()); }

bool StartConfiguredBackend() {
  if (internal::SystemExists()) return true;
  auto backend = internal::CreateNamedBackend(internal::ConfiguredBackendName());
  if (!backend) return false;
  internal::ResetSystem(std::move(backend));
  return true;
}

}  // namespace os
