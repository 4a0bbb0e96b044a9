// Shared fixture of the window-system tests: a fresh headless window system
// per test, a window class whose procedure records every message and lets a
// test answer chosen messages itself.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace wintest {

using namespace os;

struct Call {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Answers a message instead of DefWindowProc when it returns a value.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline std::vector<Call>& Log() {
  static std::vector<Call> log;
  return log;
}

inline std::map<HWND, Handler>& Handlers() {
  static std::map<HWND, Handler> handlers;
  return handlers;
}

// Handler for windows still being created (before their handle is known).
inline Handler& CreationHandler() {
  static Handler handler;
  return handler;
}

inline LRESULT OS_STDCALL RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Log().push_back(Call{hwnd, message, wParam, lParam});
  auto it = Handlers().find(hwnd);
  if (it != Handlers().end() && it->second) {
    if (auto r = it->second(hwnd, message, wParam, lParam)) return *r;
  } else if (CreationHandler()) {
    if (auto r = CreationHandler()(hwnd, message, wParam, lParam)) return *r;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

inline HINSTANCE TestInstance() { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000)); }

constexpr const char16_t* kPlainClass = u"TestPlain";
constexpr const char16_t* kDoubleClickClass = u"TestDoubleClick";

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    Log().clear();
    Handlers().clear();
    CreationHandler() = nullptr;
    RegisterTestClass(kPlainClass, 0);
    RegisterTestClass(kDoubleClickClass, CS_DBLCLKS);
  }

  void TearDown() override {
    headless::Reset();
    Handlers().clear();
    CreationHandler() = nullptr;
    Log().clear();
  }

  static ATOM RegisterTestClass(const char16_t* name, UINT style, int extra = 0) {
    WNDCLASSEXW wc;
    wc.style = style;
    wc.lpfnWndProc = &RecordingProc;
    wc.cbWndExtra = extra;
    wc.hInstance = TestInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassEx(&wc);
  }

  // A visible borderless popup, which makes the client area the whole window.
  static HWND Popup(RECT r, const char16_t* cls = kPlainClass, DWORD style = WS_POPUP | WS_VISIBLE,
                    DWORD exStyle = 0, HWND owner = nullptr) {
    return CreateWindowEx(exStyle, cls, u"popup", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          owner, nullptr, TestInstance(), nullptr);
  }

  static HWND Child(HWND parent, RECT r, int id = 1, const char16_t* cls = kPlainClass,
                    DWORD style = WS_CHILD | WS_VISIBLE) {
    return CreateWindowEx(0, cls, u"child", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                          reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), TestInstance(), nullptr);
  }

  static void On(HWND hwnd, Handler handler) { Handlers()[hwnd] = std::move(handler); }

  // Messages of one window (or all with nullptr), in order, optionally
  // restricted to a set of interesting messages.
  static std::vector<UINT> Messages(HWND hwnd, const std::vector<UINT>& only = {}) {
    std::vector<UINT> out;
    for (const Call& c : Log()) {
      if (hwnd && c.hwnd != hwnd) continue;
      if (!only.empty() && std::find(only.begin(), only.end(), c.message) == only.end()) continue;
      out.push_back(c.message);
    }
    return out;
  }

  static std::vector<Call> Calls(HWND hwnd, UINT message) {
    std::vector<Call> out;
    for (const Call& c : Log()) {
      if (c.hwnd == hwnd && c.message == message) out.push_back(c);
    }
    return out;
  }

  static int Count(HWND hwnd, UINT message) { return static_cast<int>(Calls(hwnd, message).size()); }

  static POINT Screen(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
  }

  static RECT WindowRectOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
  }
};

}  // namespace wintest
