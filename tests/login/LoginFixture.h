// Shared by the login-window tests: a portal stand-in on an ephemeral port
// (web and statistics roles) that records what it receives and answers with
// the replies a test sets, and a fixture that opens the login window on the
// headless backend with the data folder in a temporary folder.
#pragma once

#include <httplib.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Core/UIManager.h"
#include "controls/Control.h"
#include "controls/Edit.h"
#include "controls/TabLayout.h"
#include "login/CalveraWnd.h"
#include "login/GameHandOver.h"
#include "platform/base/Unicode.h"
#include "platform/headless/Headless.h"
#include "platform/system/Shell.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Messages.h"
#include "platform/window/Resource.h"
#include "support/PortalHosts.h"
#include "testsupport/TempDir.h"

namespace logintest {

class AccountPortal {
 public:
  AccountPortal() {
    server_.Post("/login/tillow.html", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      loginBodies_.push_back(req.body);
      contentTypes_.push_back(req.get_header_value("Content-Type"));
      res.set_content(loginReply_, "application/json");
    });
    server_.Post("/register/tillow.html", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      registrationBodies_.push_back(req.body);
      res.set_content(registrationReply_, "application/json");
    });
    server_.Get("/col_tw.aspx", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      const std::string target = req.target;
      pings_.push_back(target.substr(target.find('?') + 1));
      res.set_content("OK", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // A stop before the loop runs would be lost and the thread never end.
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~AccountPortal() {
    server_.stop();
    thread_.join();
  }
  AccountPortal(const AccountPortal&) = delete;
  AccountPortal& operator=(const AccountPortal&) = delete;

  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  void SetLoginReply(std::string reply) {
    std::lock_guard lock(mutex_);
    loginReply_ = std::move(reply);
  }
  void SetRegistrationReply(std::string reply) {
    std::lock_guard lock(mutex_);
    registrationReply_ = std::move(reply);
  }
  std::vector<std::string> LoginBodies() const {
    std::lock_guard lock(mutex_);
    return loginBodies_;
  }
  std::vector<std::string> ContentTypes() const {
    std::lock_guard lock(mutex_);
    return contentTypes_;
  }
  std::vector<std::string> RegistrationBodies() const {
    std::lock_guard lock(mutex_);
    return registrationBodies_;
  }
  // The query texts of the statistics requests, in order.
  std::vector<std::string> Pings() const {
    std::lock_guard lock(mutex_);
    return pings_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string loginReply_ = R"({"status":"200","message":"ok","uid":"1001","token":"tok-1","open_url":""})";
  std::string registrationReply_ = R"({"status":"200","message":"ok"})";
  std::vector<std::string> loginBodies_;
  std::vector<std::string> contentTypes_;
  std::vector<std::string> registrationBodies_;
  std::vector<std::string> pings_;
};

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
    Kesto::UIManager::SetSkinArchive(u"", false);
    Kesto::UIManager::SetSkinRoot(u"");
    ReloadPortalHosts();
    ResetGameHandOvers();
  }
  void TearDown() override {
    if (window_ != nullptr && window_->GetHWND() != nullptr) os::DestroyWindow(window_->GetHWND());
    window_.reset();
    os::headless::Reset();
    Kesto::UIManager::SetSkinArchive(u"", false);
    Kesto::UIManager::SetSkinRoot(u"");
  }

  // Creates and shows the window as the start-up does.
  CalveraWnd& Open() {
    window_ = std::make_unique<CalveraWnd>();
    window_->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
    window_->CenterWindow();
    window_->ShowWindow(true, true);
    os::headless::Pump();
    return *window_;
  }

  Kesto::CControlUI* Control(std::u16string_view name) {
    return window_->GetManager().FindControlByName(name);
  }
  Kesto::CEditUI* Edit(std::u16string_view name) {
    Kesto::CControlUI* control = Control(name);
    return control != nullptr ? static_cast<Kesto::CEditUI*>(control->GetInterface(u"Edit")) : nullptr;
  }
  int Page() {
    auto* tab = static_cast<Kesto::CTabLayoutUI*>(Control(u"switch")->GetInterface(u"TabLayout"));
    return tab->GetCurSel();
  }
  std::u16string Text(std::u16string_view name) { return Control(name)->GetText(); }

  os::POINT ScreenPoint(int x, int y) {
    os::POINT p{x, y};
    os::ClientToScreen(window_->GetHWND(), &p);
    return p;
  }
  // Presses and releases on the centre of a control, as a player does.
  void Click(std::u16string_view name) {
    const os::RECT pos = Control(name)->GetPos();
    os::inject::Click(ScreenPoint((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2));
    os::headless::Pump();
  }
  void Type(std::u16string_view text) {
    os::inject::Text(text);
    os::headless::Pump();
  }
  void Press(os::UINT key) {
    os::inject::KeyPress(key);
    os::headless::Pump();
  }
  // Clicks a field and replaces what it holds with text.
  void Fill(std::u16string_view name, std::u16string_view text) {
    Click(name);
    Kesto::CEditUI* edit = Edit(name);
    os::SendMessage(edit->GetNativeWindow(), os::EM_SETSEL, 0, -1);
    Type(text);
  }
  std::vector<std::u16string> BoxTexts() {
    std::vector<std::u16string> texts;
    for (const auto& box : os::headless::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv dataHome_{"XDG_DATA_HOME", dir_.path().string()};
  testsupport::ScopedEnv registry_{"LUMORA_REGISTRY", (dir_.path() / "registry.reg").string()};
  testsupport::ScopedEnv shellLog_{"LUMORA_SHELL_LOG", std::nullopt};
  AccountPortal portal_;
  testsupport::ScopedEnv hosts_{"LUMORA_PORTAL_HOSTS", "web=" + portal_.Host() + ",stats=" + portal_.Host() +
                                                           ",api=127.0.0.1:1,forum=127.0.0.1:2"};
  os::ShellLaunchRecorder launches_{false};
  std::unique_ptr<CalveraWnd> window_;
};

}  // namespace logintest
