#include "login/CalveraWnd.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "Core/SkinFontsAhead.h"
#include "Core/SkinPicturesAhead.h"
#include "controls/Button.h"
#include "controls/Control.h"
#include "controls/Edit.h"
#include "controls/PictureAhead.h"
#include "controls/TabLayout.h"
#include "login/RememberedAccount.h"
#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/system/Kernel.h"
#include "platform/system/PrivateFile.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Messages.h"
#include "platform/window/Paint.h"
#include "support/DefaultBrowser.h"
#include "support/Encoding.h"
#include "support/InstallRecord.h"
#include "support/PortalHosts.h"

namespace {

constexpr std::size_t kPathBytes = 256;
constexpr std::size_t kRestoredTextChars = 256;

// Controls inside the caption area that keep the mouse for themselves: the
// form's fields and buttons must be usable although the whole upper window
// drags it.
constexpr std::u16string_view kCaptionClientClasses[] = {u"ButtonUI", u"OptionUI", u"SliderUI", u"EditUI",
                                                         u"RichEditUI"};

template <class T>
T* FindAs(Kesto::UIManager& manager, std::u16string_view name, std::u16string_view interfaceName) {
  Kesto::CControlUI* control = manager.FindControlByName(name);
  return control != nullptr ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

std::u16string NameOf(const Kesto::CControlUI* control) {
  return control != nullptr ? control->GetName() : std::u16string();
}

// "channel.ini" in the data folder: the channel code and its terminating
// zero byte, for the portal's other programs on this machine.
void WriteChannelFile(const std::string& channel) {
  std::string path;
  if (WideToNarrow(DataDirectory() + u"channel.ini", &path, kPathBytes) != 0 || path.empty()) return;
  const std::string bytes(channel.c_str(), channel.size() + 1);
  if (!os::WritePrivateFile(path, bytes))
    os::DebugOutput(os::DebugCategory::Settings, std::string_view("login: channel.ini not written whole"));
}

}  // namespace

CalveraWnd::CalveraWnd() : channelCode_(kChannelCode) {
  WriteChannelFile(channelCode_);
  // The background is most of the first frame's decoding; a worker decodes
  // it while the window and its skin are built (nothing new when StartAhead
  // already started it).
  Kesto::PictureAhead::StartArchiveEntry(kLoginSkinResource, kLoginBackground);
}

void CalveraWnd::StartAhead() {
  // The fonts first: the window's manager makes its default font when it is
  // constructed, the background is wanted only by the first paint.
  Kesto::LoadSkinFontsAhead(kLoginSkinResource, std::u16string(kLoginSkinFile));
  // The background, then the buttons and fields as they first look: the
  // first paint would otherwise decode those small pictures itself.
  Kesto::StartSkinPicturesAhead(kLoginSkinResource, kLoginSkinFile);
}

std::u16string_view CalveraWnd::GetWindowClassName() const { return kLoginWindowClass; }

std::u16string CalveraWnd::GetSkinFolder() { return {}; }

std::u16string CalveraWnd::GetSkinFile() { return std::u16string(kLoginSkinFile); }

Kesto::ResourceKind CalveraWnd::GetResourceType() const { return Kesto::ResourceKind::ZipResource; }

std::u16string CalveraWnd::GetZipFileName() const { return {}; }

os::ResourceName CalveraWnd::GetResourceId() const { return os::ResourceName(kLoginSkinResource); }

void CalveraWnd::InitWindow() {
  Kesto::UIManager& manager = GetManager();
  startButton_ = FindAs<Kesto::CButtonUI>(manager, u"startbtn", u"Button");
  user_ = FindAs<Kesto::CEditUI>(manager, u"user", u"Edit");
  pass_ = FindAs<Kesto::CEditUI>(manager, u"pass", u"Edit");
  regUser_ = FindAs<Kesto::CEditUI>(manager, u"reguser", u"Edit");
  regPass_ = FindAs<Kesto::CEditUI>(manager, u"regpass", u"Edit");
  regPassConfirm_ = FindAs<Kesto::CEditUI>(manager, u"regpassconfirm", u"Edit");
  regAccount_ = FindAs<Kesto::CButtonUI>(manager, u"regaccount", u"Button");
  regButton_ = FindAs<Kesto::CButtonUI>(manager, u"regbtn", u"Button");
  restoreToLogin_ = FindAs<Kesto::CButtonUI>(manager, u"restore2loginbtn", u"Button");
  switch_ = FindAs<Kesto::CTabLayoutUI>(manager, u"switch", u"TabLayout");

  for (Kesto::CEditUI* field : {pass_, regPass_, regPassConfirm_}) {
    if (field != nullptr)
      field->OnEvent += [this](Kesto::ControlEvent& event) { return OnPasswordFocus(event); };
  }

  os::WhenFrameDrawn(hwnd_, [hwnd = hwnd_] { os::PostMessage(hwnd, kWarmWebEngineMessage, 0, 0); });

  const RememberedAccount remembered = LoadRememberedAccount();
  if (remembered.found && remembered.mark == 2 && remembered.flag == 0) {
    std::u16string account;
    std::u16string password;
    Utf8ToWide(remembered.account, &account, kRestoredTextChars);
    Utf8ToWide(remembered.password, &password, kRestoredTextChars);
    if (user_ != nullptr) user_->SetText(account);
    if (pass_ != nullptr) {
      pass_->SetText(password);
      pass_->SetPasswordMode(true);
    }
  }
}

int CalveraWnd::CurrentPage() const { return switch_ != nullptr ? switch_->GetCurSel() : -1; }

bool CalveraWnd::OnPasswordFocus(Kesto::ControlEvent& event) {
  if (event.type != Kesto::UIEvent::SetFocus) return true;
  auto prepare = [](Kesto::CEditUI* field) {
    if (field == nullptr || field->IsPasswordMode()) return;
    field->SetText(u"");
    field->SetPasswordMode(true);
  };
  switch (CurrentPage()) {
    case 0:
      prepare(pass_);
      break;
    case 1:
      // The first focus on either registration password prepares both.
      prepare(regPass_);
      prepare(regPassConfirm_);
      break;
    default:
      break;
  }
  return true;
}

void CalveraWnd::Notify(Kesto::NotifyMsg& msg) {
  // Each row is checked on its own, in this order.
  const std::u16string sender = NameOf(msg.sender);
  if (msg.type == u"click") {
    const PortalHosts hosts = GetPortalHosts();
    if (sender == u"minibtn") SendMessage(os::WM_SYSCOMMAND, os::SC_MINIMIZE, 0);
    if (sender == u"closebtn") os::PostQuitMessage(0);
    if (startButton_ != nullptr && msg.sender == startButton_) SubmitLogin(true);
    if (sender == u"webbtn") OpenInBrowser(os::Utf8ToUtf16(PortalUrl(hosts.web, "")));
    if (sender == u"chargebtn")
      OpenInBrowser(os::Utf8ToUtf16(PortalUrl(hosts.web, "/v2_payment/index.html")));
    if (sender == u"bbsbtn") OpenInBrowser(os::Utf8ToUtf16(PortalUrl(hosts.forum, "/")));
    if (regButton_ != nullptr && msg.sender == regButton_) SubmitRegistration();
  }
  // The page switch rides on the focus, which a press gives at once.
  if (msg.type == u"setfocus" && switch_ != nullptr) {
    if (sender == u"regaccount") switch_->SelectItem(1);
    if (sender == u"restore2loginbtn") switch_->SelectItem(0);
  }
  if (msg.type == u"return") {
    if (pass_ != nullptr && msg.sender == pass_) {
      os::OutputDebugString("return is pressed");
      SubmitLogin(true);
    }
    if (msg.sender != nullptr && (msg.sender == regPass_ || msg.sender == regPassConfirm_))
      SubmitRegistration();
  }
}

os::LRESULT CalveraWnd::OnNcHitTest(os::UINT, os::WPARAM, os::LPARAM lParam, bool&) {
  return HitTest(lParam, kCaptionClientClasses);
}

os::LRESULT CalveraWnd::OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) {
  if ((wParam & 0xFFF0) == os::SC_CLOSE) {
    // The process ends through the message loop; the window is not destroyed.
    os::PostQuitMessage(0);
    return 0;
  }
  return WindowImplBase::OnSysCommand(message, wParam, lParam, handled);
}

os::LRESULT CalveraWnd::OnKeyDown(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) {
  if (wParam != os::VK_RETURN) return WindowImplBase::OnKeyDown(message, wParam, lParam, handled);
  switch (CurrentPage()) {
    case 0:
      SubmitLogin(true);
      break;
    case 1:
      SubmitRegistration();
      break;
    default:
      handled = false;
      break;
  }
  return 0;
}

os::LRESULT CalveraWnd::HandleCustomMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                            bool& handled) {
  if (message == os::WM_NCLBUTTONDBLCLK) return 0;
  if (message == kWarmWebEngineMessage) {
    os::WarmBrowserEngine();
    return 0;
  }
  return WindowImplBase::HandleCustomMessage(message, wParam, lParam, handled);
}
