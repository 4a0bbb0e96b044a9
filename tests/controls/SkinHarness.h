// A skin built into a headless top-level window, laid out and painted, with
// pointer and key input injected through the platform layer, notifications
// recorded and pictures served from a temporary skin folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ControlTestSupport.h"
#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"
#include "testsupport/SkinFolder.h"
#include "testsupport/TempDir.h"

namespace controltest {

// Pictures and skin files for one test.
using testsupport::SkinFolder;

// The window sits at (100, 100) on the virtual screen; Screen() converts
// client points for the injection calls.
class SkinWindow {
 public:
  // doubleClicks: the window's class asks for double-click messages, as
  // the skinned windows' classes do.
  explicit SkinWindow(bool doubleClicks = false) {
    os::headless::Reset();
    const char16_t* className = doubleClicks ? u"KestoSkinHarnessDbl" : u"KestoSkinHarness";
    os::WNDCLASSEXW wc;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = className;
    if (doubleClicks) wc.style = os::CS_DBLCLKS;
    os::RegisterClassEx(&wc);
    hwnd = os::CreateWindowEx(0, className, u"skin", os::WS_POPUP, 100, 100, 300, 300, nullptr, nullptr,
                              nullptr, this);
    manager.Init(hwnd);
    manager.AddNotifier(&recorder);
  }
  ~SkinWindow() {
    if (os::IsWindow(hwnd)) os::DestroyWindow(hwnd);
  }
  SkinWindow(const SkinWindow&) = delete;
  SkinWindow& operator=(const SkinWindow&) = delete;

  // Builds the skin text, attaches it, shows the window and runs the queue
  // (first layout and paint). False when the skin did not build.
  bool Load(std::u16string_view skin) {
    Kesto::SkinBuilder builder;
    root = builder.Build(Kesto::SkinRef(skin), std::nullopt, nullptr, &manager);
    if (root == nullptr || !manager.AttachRoot(root)) return false;
    os::ShowWindow(hwnd, os::SW_SHOW);
    Pump();
    return true;
  }

  static void Pump() {
    os::headless::Pump([](os::MSG& msg) { return Kesto::UIManager::TranslateForManagers(&msg); });
  }
  static os::POINT Screen(int x, int y) { return os::POINT{x + 100, y + 100}; }

  Kesto::CControlUI* Find(std::u16string_view name) const { return manager.FindControlByName(name); }
  template <typename T>
  T* Find(std::u16string_view name, std::u16string_view interfaceName) const {
    Kesto::CControlUI* c = Find(name);
    return c == nullptr ? nullptr : static_cast<T*>(c->GetInterface(interfaceName));
  }

  void Click(int x, int y) {
    os::inject::Click(Screen(x, y));
    Pump();
  }
  void MoveTo(int x, int y) {
    os::inject::MouseMove(Screen(x, y));
    Pump();
  }
  void Down() {
    os::inject::MouseDown();
    Pump();
  }
  void Up() {
    os::inject::MouseUp();
    Pump();
  }
  void Key(os::UINT vk) {
    os::inject::KeyPress(vk);
    Pump();
  }

  // Premultiplied 0xAARRGGBB of the last presented frame.
  std::uint32_t Pixel(int x, int y) const {
    const std::optional<os::headless::Frame> frame = os::headless::LastFrame(hwnd);
    return frame ? PixelOf(*frame, x, y) : 0;
  }
  // Pixels of r in the last frame for which test(argb) holds.
  template <typename Test>
  int CountIf(const os::RECT& r, Test test) const {
    const std::optional<os::headless::Frame> frame = os::headless::LastFrame(hwnd);
    if (!frame) return 0;
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += test(PixelOf(*frame, x, y)) ? 1 : 0;
    }
    return n;
  }
  int CountPixels(const os::RECT& r, std::uint32_t argb) const {
    return CountIf(r, [argb](std::uint32_t p) { return p == argb; });
  }
  int CountOther(const os::RECT& r, std::uint32_t background) const {
    return CountIf(r, [background](std::uint32_t p) { return p != background; });
  }
  // Number of notifications of a type, and the last one of it.
  int Count(std::u16string_view type) const {
    int n = 0;
    for (const auto& m : recorder.messages) n += m.type == type ? 1 : 0;
    return n;
  }
  const Kesto::NotifyMsg* Last(std::u16string_view type) const {
    for (auto it = recorder.messages.rbegin(); it != recorder.messages.rend(); ++it) {
      if (it->type == type) return &*it;
    }
    return nullptr;
  }

  Kesto::UIManager manager;
  Recorder recorder;
  os::HWND hwnd = nullptr;
  Kesto::CControlUI* root = nullptr;

 private:
  static std::uint32_t PixelOf(const os::headless::Frame& frame, int x, int y) {
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return 0;
    const std::uint8_t* p = &frame.bgra[static_cast<std::size_t>((y * frame.width + x) * 4)];
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[0];
  }
  static os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
    if (message == os::WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
      os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<SkinWindow*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
    if (self != nullptr && self->manager.Window() == hwnd) {
      os::LRESULT result = 0;
      if (self->manager.MessageHandler(message, wParam, lParam, result)) return result;
    }
    return os::DefWindowProc(hwnd, message, wParam, lParam);
  }
};

}  // namespace controltest
