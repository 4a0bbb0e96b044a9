// The window system's process-wide state: backend selection, the handle
// table, what backends report, the last-error code and small shared helpers.
#include "platform/window/internal/WindowSystem.h"
#include "platform/base/DebugOutput.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace os {
namespace internal {
namespace {

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
// The system

WindowSystem::WindowSystem(std::unique_ptr<Backend> backend)
    : queue_([this] { backend_->Wake(); }),
      uiThread_(std::this_thread::get_id()),
      uiThreadId_(CurrentThreadId()),
      processId_(static_cast<DWORD>(::getpid())),
      backend_(std::move(backend)) {
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
      for (HWND h : holder->windows().TopLevel()) {
        auto w = Lookup(h);
        if (w && !w->foreign) tops.push_back(h);
      }
      if (tops.empty()) break;
      for (HWND h : tops) DestroyWindow(h);
    }
    for (HWND h : holder->windows().MessageOnlyWindows()) DestroyWindow(h);
    for (auto& c : holder->windows().Classes()) {
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
  sys.windows().SetDesktop(desktop);
  sys.queue().SetLive(desktop->handle, true);
  const POINT centre{(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
  sys.queue().SetCursorPos(centre);
  sys.queue().SetLastMessagePos(centre);
  sys.input().SetCursor(LoadCursor(nullptr, IDC_ARROW));

  if (systemClasses.empty()) {
    RegisterBuiltInClasses();
  } else {
    for (auto& c : systemClasses) sys.windows().AddClass(c);
  }
}

HWND NewHandle() { return Holder()->windows().NewHandle(); }

WindowPtr LookupByHandleValue(std::uintptr_t value) {
  return Sys().windows().Find(reinterpret_cast<HWND>(value));
}

WindowPtr Lookup(HWND hwnd) { return Sys().windows().Find(hwnd); }

WindowPtr LookupOwn(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w || w->desktop || w->foreign) return nullptr;
  return w;
}

WindowPtr WindowOfSurface(SurfaceId surface) { return Sys().windows().OfSurface(surface); }

bool OnUiThread() { return Sys().OnUiThread(); }

void SetLastErrorCode(DWORD error) { SetLastError(error); }

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
  FromBackend([&] {
    SetWindowPosInternal(w, nullptr, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                         screenRect.bottom - screenRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  });
  // The window may have kept to its track sizes (or moved itself): the
  // desktop follows what the window decided.
  if (!w->destroyed && w->surface && !EqualRect(&w->rect, &screenRect))
    backend().MoveSurface(w->surface, w->rect);
}

void WindowSystem::SurfaceStateChanged(SurfaceId surface, SurfaceState state) {
  auto w = WindowOfSurface(surface);
  if (!w) return;
  FromBackend([&] {
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
  });
}

void WindowSystem::SurfaceActivated(SurfaceId surface, bool isActive) {
  auto w = WindowOfSurface(surface);
  if (!w) return;
  if (isActive) {
    // A disabled window cannot become active, as on Windows: the desktop may
    // still hand it the keyboard while its modal box is up (X gives the
    // focus to the window under the pointer when nobody holds it).
    if (w->style & WS_DISABLED) return;
    if (input_.Active() != w->handle) ActivateWindow(w->handle, WA_ACTIVE, true);
  } else if (input_.Active() == w->handle) {
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
  const WindowPtr& desktop = windows_.Desktop();
  for (const auto& m : monitors) {
    if (m.primary) desktop->rect = desktop->client = m.monitor;
  }
  for (HWND h : std::vector<HWND>(windows_.TopLevel())) {
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

void RegisterBackendFactory(std::string_view name, BackendFactory factory) {
  internal::Factories()[std::string(name)] = factory;
}

std::string_view CurrentBackendName() { return internal::Sys().backend().Name(); }

void RestartWindowSystem() { internal::ResetSystem(internal::CreateConfiguredBackend()); }

void PrepareWindows() { internal::Sys().backend().Prepare(); }

bool StartConfiguredBackend() {
  if (internal::SystemExists()) return true;
  auto backend = internal::CreateNamedBackend(internal::ConfiguredBackendName());
  if (!backend) return false;
  internal::ResetSystem(std::move(backend));
  return true;
}

}  // namespace os
