// Shared by the manager tests: a headless window whose procedure hands every
// message to its manager, and a probe control that records the events it
// receives and the rectangles it is painted in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace managertest {

using Kesto::CControlUI;
using Kesto::ControlEvent;
using Kesto::NotifyMsg;
using Kesto::UIManager;

// Events as "name:type", in arrival order, across all probes.
struct EventLog {
  std::vector<std::string> entries;
  std::vector<ControlEvent> events;
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(entries);
    events.clear();
    return out;
  }
};

class Probe : public CControlUI {
 public:
  Probe(std::string tag, EventLog* log, os::UINT flags = 0) : tag_(std::move(tag)), log_(log), flags_(flags) {
    SetName(std::u16string(tag_.begin(), tag_.end()));
  }
  ~Probe() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }

  // Places the probe at a fixed client rectangle inside a plain container.
  Probe* At(int left, int top, int right, int bottom) {
    SetAttribute(u"float", u"true");
    const std::string pos = std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) +
                            "," + std::to_string(bottom);
    SetAttribute(u"pos", std::u16string(pos.begin(), pos.end()));
    return this;
  }

  os::UINT GetControlFlags() const override { return flags_; }
  std::u16string_view GetClass() const override { return className_; }

  void DoEvent(ControlEvent& event) override {
    if (log_ != nullptr && (logMouseMoves || event.type != Kesto::UIEvent::MouseMove)) {
      log_->entries.push_back(tag_ + ":" + std::to_string(event.type));
      log_->events.push_back(event);
    }
    if (onEvent) onEvent(event);
    CControlUI::DoEvent(event);
  }

  void DoPaint(os::Canvas& dc, const os::RECT& paint) override {
    paints.push_back(paint);
    CControlUI::DoPaint(dc, paint);
  }

  std::function<void(ControlEvent&)> onEvent;
  std::vector<os::RECT> paints;
  bool logMouseMoves = true;
  bool* destroyed_ = nullptr;
  std::u16string className_ = u"ProbeUI";

 private:
  std::string tag_;
  EventLog* log_;
  os::UINT flags_;
};

class Recorder : public Kesto::INotifyUI {
 public:
  void Notify(NotifyMsg& msg) override {
    messages.push_back(msg);
    types.push_back(std::string(msg.type.begin(), msg.type.end()));
  }
  void Clear() {
    messages.clear();
    types.clear();
  }
  std::vector<NotifyMsg> messages;
  std::vector<std::string> types;
};

// A top-level headless window at (100, 100) serving one manager.
class ManagerWindow {
 public:
  explicit ManagerWindow(int width = 200, int height = 120, os::UINT classStyle = 0, os::DWORD exStyle = 0) {
    static int serial = 0;
    className_ = u"KestoManagerTest" + std::u16string(1, static_cast<char16_t>(u'A' + (serial++ % 26)));
    os::WNDCLASSEXW wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = className_.c_str();
    os::RegisterClassEx(&wc);
    hwnd = os::CreateWindowEx(exStyle, className_.c_str(), u"manager test", os::WS_POPUP, 100, 100, width,
                              height, nullptr, nullptr, nullptr, this);
    manager.Init(hwnd);
  }
  ~ManagerWindow() {
    if (os::IsWindow(hwnd)) os::DestroyWindow(hwnd);
  }

  void Show() {
    os::ShowWindow(hwnd, os::SW_SHOW);
    Pump();
  }

  os::POINT Screen(int x, int y) const {
    os::POINT p{x, y};
    os::ClientToScreen(hwnd, &p);
    return p;
  }

  static int Pump() {
    return os::headless::Pump([](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
  }
  static int Advance(std::uint32_t ms) {
    return os::headless::Advance(ms, [](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
  }

  // Messages the manager left to default processing, by number.
  std::vector<os::UINT> unclaimed;
  std::function<bool(os::UINT, os::WPARAM, os::LPARAM, os::LRESULT&)> before;

  UIManager manager;
  os::HWND hwnd = nullptr;

 private:
  static os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
    if (message == os::WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
      os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<ManagerWindow*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
    if (self != nullptr && self->manager.Window() == hwnd) {
      os::LRESULT result = 0;
      if (self->before && self->before(message, wParam, lParam, result)) return result;
      if (self->manager.MessageHandler(message, wParam, lParam, result)) return result;
      self->unclaimed.push_back(message);
    }
    return os::DefWindowProc(hwnd, message, wParam, lParam);
  }

  std::u16string className_;
};

}  // namespace managertest
