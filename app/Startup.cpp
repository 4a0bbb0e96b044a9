#include "app/Startup.h"

#include <json/json.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "Core/UIManager.h"
#include "app/CrashReport.h"
#include "app/UpdateDownloader.h"
#include "automation/Automation.h"
#include "login/CalveraWnd.h"
#include "login/GameHandOver.h"
#include "platform/com/Com.h"
#include "platform/gfx/FontsAhead.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Kernel.h"
#include "platform/system/Shell.h"
#include "platform/window/Backend.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Messages.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "support/Encoding.h"
#include "support/HttpClient.h"
#include "support/InstallRecord.h"
#include "support/JsonReply.h"
#include "support/PortalHosts.h"

namespace {

constexpr std::size_t kStampBytes = 20;
constexpr std::size_t kModulePathChars = 256;
constexpr std::size_t kNarrowPathBytes = 256;
// A download notices the stop within about a second.
constexpr std::chrono::milliseconds kDownloadStopWait{3000};

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void ShowGameAlreadyOpen() { os::MessageBox(nullptr, kGameAlreadyOpenText, kLauncherCaption, os::MB_OK); }

}  // namespace

bool ReadVersionDocument(const std::string& reply, VersionDocument& document) {
  Json::Value root;
  if (!ParseJsonObject(reply, root)) return false;
  const Json::Value& url = root["downloadUrl"];
  const Json::Value& version = root["version"];
  if (!url.isString() || !version.isString()) return false;
  // The address goes to libcurl and names the installer file as a C string;
  // one with a zero byte would fetch and write something else than it says.
  if (url.asString().find('\0') != std::string::npos) return false;
  document.downloadUrl = url.asString();
  const Json::Value& force = root["forceUpdate"];
  document.forceUpdate = force.isBool() && force.asBool();
  return true;
}

std::int32_t ParseInstallStamp(std::string_view text) {
  text = text.substr(0, std::min(text.size(), kStampBytes));
  // The text ends at a zero byte, as read into a C string.
  if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<std::int64_t>(INT32_MAX) + 1) value = static_cast<std::int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

std::int32_t ReadInstallStamp() {
  const std::u16string module = os::GetModuleFileName();
  // A path that does not fit the module-name area would be cut short and
  // name some other folder; it names no stamp file at all.
  if (module.empty() || module.size() + 1 > kModulePathChars) return 0;
  const std::u16string path = module.substr(0, module.rfind(u'/') + 1) + u"install.ini";
  std::string narrow;
  if (WideToNarrow(path, &narrow, kNarrowPathBytes) != 0 || narrow.empty()) return 0;
  std::FILE* file = std::fopen(narrow.c_str(), "r");
  if (file == nullptr) return 0;
  std::string text(kStampBytes, '\0');
  text.resize(std::fread(text.data(), 1, kStampBytes, file));
  std::fclose(file);
  return ParseInstallStamp(text);
}

bool InstallPromptDue(std::int32_t stamp, std::int64_t now) {
  return stamp != 0 && now - static_cast<std::int64_t>(stamp) > kInstallPromptDelaySeconds;
}

std::string VersionDocumentUrl() { return PortalUrl(GetPortalHosts().api, "/client/latest_version.html"); }

std::future<VersionCheck> CheckVersion() {
  auto fetch = [url = VersionDocumentUrl()] {
    VersionCheck check;
    HttpClient::Get(url, &HttpClient::AppendToString, &check.reply, false);
    check.usable = ReadVersionDocument(check.reply, check.document);
    if (check.usable) check.remoteSize = AnnouncedSize(check.document.downloadUrl);
    return check;
  };
  try {
    // At the usual priority, unlike the other workers: every decision (and
    // the login window) waits for this answer, and a lowered thread was still
    // waiting for a processor milliseconds after libcurl was ready.
    return std::async(std::launch::async, fetch);
  } catch (const std::system_error&) {
    // No thread to spare: the request runs when its answer is asked for.
    return std::async(std::launch::deferred, fetch);
  }
}

void StartLoginAhead() {
  // The skin is read from the program's own resources.
  if (Kesto::UIManager::ProcessInstance() == nullptr)
    Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  CalveraWnd::StartAhead();
  // libcurl last: while it loads, the dynamic loader's lock is taken and
  // the process's memory map changes often, and starting a thread waits for
  // both. Its load is still the longest of the three and the version check
  // needs it.
  HttpClient::ReadyAhead();
}

void StopLoginAhead() {
  os::FontsAhead::Stop();
  // A process that decided at once (the installed client takes over) would
  // otherwise end during libcurl's load and set-up.
  HttpClient::WaitReady();
}

namespace {

StartupResult Decide(std::int64_t now) {
  StartupResult result;
  const os::HWND running = os::FindWindow(nullptr, kLauncherCaption);

  std::u16string clientPath;
  if (FindInstalledClient(clientPath)) {
    if (running != nullptr) {
      ShowGameAlreadyOpen();
    } else {
      os::ShellExecute(nullptr, u"open", clientPath, u"", u"", os::SW_SHOW);
    }
    return result;
  }

  // Only one launcher beside an open game window: the others say so and end.
  auto singleInstance = [&]() {
    if (running == nullptr) return true;
    ShowGameAlreadyOpen();
    return false;
  };

  // The version check (the document, then its download's size) travels
  // while this thread readies what the login window will need and workers
  // load its fonts and background; nothing is shown, and every decision
  // still waits for the answer. A process that ends with a decision only
  // wasted that work.
  StartLoginAhead();
  std::future<VersionCheck> check = CheckVersion();
  os::PrepareWindows();
  const VersionCheck answer = check.get();
  const VersionDocument& document = answer.document;
  if (!answer.usable) {
    os::DebugOutput(os::DebugCategory::Update, "version document unavailable; no update check");
    result.openLoginWindow = singleInstance();
    return result;
  }
  result.versionDocumentUsable = true;

  UpdateDownloader updater(document.downloadUrl);
  if (updater.IsDownloaded(answer.remoteSize)) {
    if (InstallPromptDue(ReadInstallStamp(), now)) {
      const int answer = os::MessageBox(nullptr, kInstallPromptText, kLauncherCaption, os::MB_OKCANCEL);
      if (answer == os::IDOK) {
        if (running != nullptr) os::SendMessage(running, os::WM_SYSCOMMAND, os::SC_CLOSE, 0);
        updater.RunInstaller();
        return result;
      }
    }
    result.openLoginWindow = singleInstance();
    return result;
  }

  result.openLoginWindow = singleInstance();
  if (result.openLoginWindow && document.forceUpdate) {
    result.downloadStarted = updater.StartDownload() == 0;
  }
  return result;
}

}  // namespace

StartupResult DecideStartup(std::int64_t now) {
  const StartupResult result = Decide(now);
  if (!result.openLoginWindow) StopLoginAhead();
  return result;
}

AutomationDriver::RecordSource GameHandOverRecords() {
  return [logged = GameHandOverCount()]() mutable {
    std::vector<std::string> lines;
    if (GameHandOverCount() == logged) return lines;
    logged = GameHandOverCount();
    if (const auto record = LastGameHandOver()) {
      lines.push_back("hand-over: url=" + AutomationQuoted(record->gameUrl) +
                      " uid=" + AutomationQuoted(record->uid) + " token=" + AutomationQuoted(record->token));
    }
    return lines;
  };
}

int RunLoginWindow(const StartupResult&, AutomationDriver* automation) {
  // The game window's browser control needs COM on this thread.
  if (!os::SUCCEEDED(os::CoInitialize(nullptr))) return 0;
  // The login window lives as long as the process: the loop ends with the
  // quit message and the process with it, windows and all.
  auto* window = new (std::nothrow) CalveraWnd();
  if (window != nullptr) {
    window->Create(nullptr, kLauncherCaption, os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
    window->SetIcon(kLauncherIconResource);
    window->CenterWindow();
    window->ShowWindow(true, true);
    if (automation != nullptr) automation->Start();
    Kesto::UIManager::RunMessageLoop();
  }
  os::CoUninitialize();
  return 0;
}

int WinMain(os::HINSTANCE instance, os::HINSTANCE, char*, int) {
  InstallCrashHandler();
  Kesto::UIManager::SetProcessInstance(instance != nullptr ? instance : os::ExecutableModule());
  // Boxes and launches of the decisions are part of an automated run too.
  const std::unique_ptr<AutomationDriver> automation = AutomationDriver::FromEnvironment();
  if (automation != nullptr) automation->AddRecordSource(GameHandOverRecords());
  const StartupResult startup = DecideStartup(static_cast<std::int64_t>(std::time(nullptr)));
  if (!startup.openLoginWindow) return 0;
  const int code = RunLoginWindow(startup, automation.get());
  // The player has left: the installer's download stops here, to be resumed
  // at the next start, instead of running on while the process ends.
  if (startup.downloadStarted) StopDownloads(kDownloadStopWait);
  return code;
}
