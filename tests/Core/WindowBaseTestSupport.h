// Shared by the window-base tests: skins packed into a "ZIPRES" resource,
// a skinned test window built from it, and controls standing in for buttons
// and fields that log what reaches them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "Core/WindowImplBase.h"
#include "ZipBuilder.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"

namespace windowtest {

using Kesto::CControlUI;
using Kesto::ControlEvent;
using Kesto::NotifyMsg;
using Kesto::UIManager;

inline std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// A control that logs "name:event" and, with a class name of "ButtonUI",
// behaves as far as the tests need like a button: a press and release inside
// it sends "click".
class Stand : public CControlUI {
 public:
  Stand(std::vector<std::string>* log, std::u16string className, os::UINT flags)
      : log_(log), className_(std::move(className)), flags_(flags) {}

  std::u16string_view GetClass() const override { return className_; }
  os::UINT GetControlFlags() const override { return flags_; }

  void DoEvent(ControlEvent& event) override {
    if (event.type != Kesto::UIEvent::MouseMove && event.type != Kesto::UIEvent::SetCursor &&
        event.type != Kesto::UIEvent::MouseEnter && event.type != Kesto::UIEvent::MouseLeave &&
        event.type != Kesto::UIEvent::MouseHover) {
      std::string entry = Utf8(GetName()) + ":" + std::to_string(event.type);
      if (event.type == Kesto::UIEvent::KeyDown) entry += ":" + std::to_string(event.key);
      log_->push_back(entry);
    }
    if (event.type == Kesto::UIEvent::ButtonUp && Kesto::rect::Contains(GetPos(), event.mouse)) {
      SendNotify(u"click");
    }
    CControlUI::DoEvent(event);
  }

 private:
  std::vector<std::string>* log_;
  std::u16string className_;
  os::UINT flags_;
};

// Packs skins into an archive kept for the whole test program and registers
// it as resource `id` of type "ZIPRES".
inline void RegisterSkinArchive(int id, const std::vector<std::pair<std::string, std::string>>& files) {
  ziptest::Builder builder;
  for (const auto& [name, text] : files) builder.Add(name, text);
  // Resources are not copied: the bytes live as long as the program.
  static std::vector<std::unique_ptr<std::string>> archives;
  archives.push_back(std::make_unique<std::string>(builder.Build()));
  os::RegisterResource(nullptr, id, u"ZIPRES", archives.back()->data(), archives.back()->size());
}

// A skinned window whose skin comes from a "ZIPRES" resource. "FakeButton"
// elements become stand-ins of class "ButtonUI", "Field" elements tab stops.
class TestWindow : public Kesto::WindowImplBase {
 public:
  TestWindow(int resourceId, std::u16string skinFile)
      : resourceId_(resourceId), skinFile_(std::move(skinFile)) {}

  std::u16string_view GetWindowClassName() const override { return u"KestoTestWindow"; }
  std::u16string GetSkinFolder() override { return u""; }
  std::u16string GetSkinFile() override { return skinFile_; }
  Kesto::ResourceKind GetResourceType() const override { return kind; }
  std::u16string GetZipFileName() const override { return zipFile; }
  os::ResourceName GetResourceId() const override { return resourceId_; }

  void InitWindow() override { ++initCount; }
  void OnFinalMessage(os::HWND hwnd) override {
    WindowImplBase::OnFinalMessage(hwnd);
    finalWindows.push_back(hwnd);
  }
  os::LRESULT ResponseDefaultKeyEvent(os::WPARAM key) override {
    defaultKeys.push_back(key);
    return WindowImplBase::ResponseDefaultKeyEvent(key);
  }
  void Notify(NotifyMsg& msg) override {
    notifications.push_back(Utf8(msg.type) + ":" +
                            (msg.sender ? Utf8(msg.sender->GetName()) : std::string()));
    WindowImplBase::Notify(msg);
  }
  CControlUI* CreateCustomControl(std::u16string_view tag) override {
    if (tag == u"FakeButton") return new Stand(&events, u"ButtonUI", Kesto::ControlFlag::TabStop);
    if (tag == u"Field") return new Stand(&events, u"FieldUI", Kesto::ControlFlag::TabStop);
    return nullptr;
  }

  // Created at (0, 0) with the launcher windows' style and no size: the
  // skin sizes it.
  os::HWND CreateDefault() {
    return Create(nullptr, u"test window", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
  }

  CControlUI* Find(std::u16string_view name) { return GetManager().FindControlByName(name); }
  os::RECT WindowRect() const {
    os::RECT r{};
    os::GetWindowRect(GetHWND(), &r);
    return r;
  }
  os::POINT Screen(int x, int y) const {
    os::POINT p{x, y};
    os::ClientToScreen(GetHWND(), &p);
    return p;
  }
  os::LRESULT HitTest(int x, int y) {
    const os::POINT p = Screen(x, y);
    return os::SendMessage(GetHWND(), os::WM_NCHITTEST, 0, os::MAKELPARAM(p.x, p.y));
  }

  Kesto::ResourceKind kind = Kesto::ResourceKind::ZipResource;
  std::u16string zipFile;
  int initCount = 0;
  std::vector<os::HWND> finalWindows;
  std::vector<os::WPARAM> defaultKeys;
  std::vector<std::string> notifications;
  std::vector<std::string> events;

 private:
  int resourceId_;
  std::u16string skinFile_;
};

inline int Pump() {
  return os::headless::Pump([](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
}

inline int Width(const os::RECT& r) { return r.right - r.left; }
inline int Height(const os::RECT& r) { return r.bottom - r.top; }

// Resets the window system and the process-wide skin sources around a test.
class WindowBaseFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    ResetSkinSources();
  }
  void TearDown() override {
    os::headless::Reset();
    ResetSkinSources();
  }
  static void ResetSkinSources() {
    UIManager::SetSkinArchive(u"", false);
    UIManager::SetSkinRoot(u"");
  }
};

}  // namespace windowtest
