// Runs the launcher's start-up in a process of its own, for the app tests:
// the decisions read files beside the executable and the crash handler
// replaces the whole process, so each run needs a fresh executable image
// (the tests hard-link this program into a temporary folder).
//
// Usage:
//   app_probe startup --now <seconds> [--running-window] [--wait-bytes <n>]
//   app_probe crash main|thread
// Message-box answers come from PROBE_ANSWERS ("ok,cancel,..."). What the run
// did is printed on standard output, one tab-separated record per line:
//   box <caption> <text> <type> <answer>
//   launch <verb> <file> <parameters> <directory> <show>
//   foreign <message> <wParam>          (sent or posted to the running window)
//   close-requests <n>                  (the running window was asked to close)
//   result <login window> <version document usable> <download started>
#include <sys/mman.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "app/CrashReport.h"
#include "app/Startup.h"
#include "app/UpdateDownloader.h"
#include "platform/base/Unicode.h"
#include "platform/gfx/FontsAhead.h"
#include "platform/headless/Headless.h"
#include "platform/system/Shell.h"
#include "platform/window/Messages.h"

namespace {

void QueueAnswers() {
  const char* answers = std::getenv("PROBE_ANSWERS");
  if (answers == nullptr) return;
  std::string list = answers;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::string answer =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (answer == "ok") os::headless::QueueMessageBoxAnswer(os::IDOK);
    if (answer == "cancel") os::headless::QueueMessageBoxAnswer(os::IDCANCEL);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
}

std::string U8(const std::u16string& text) { return os::Utf16ToUtf8(text); }

void PrintRecords(const os::ShellLaunchRecorder& recorder) {
  for (const auto& box : os::headless::MessageBoxes()) {
    std::printf("box\t%s\t%s\t%u\t%d\n", U8(box.caption).c_str(), U8(box.text).c_str(), box.type, box.answer);
  }
  for (const auto& launch : recorder.Launches()) {
    std::printf("launch\t%s\t%s\t%s\t%s\t%d\n", U8(launch.verb).c_str(), U8(launch.file).c_str(),
                U8(launch.parameters).c_str(), U8(launch.directory).c_str(), launch.showCommand);
  }
}

// Waits until a file of `bytes` bytes is in the install folder, so the
// background download can finish before the process ends.
void WaitForInstaller(std::uintmax_t bytes) {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome == nullptr) return;
  const std::filesystem::path folder = std::filesystem::path(dataHome) / "lumora" / "install";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
      if (entry.is_regular_file(ec) && entry.file_size(ec) == bytes) {
        // Let the thread close its file.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int RunStartup(int argc, char** argv) {
  std::int64_t now = 0;
  bool runningWindow = false;
  std::uintmax_t waitBytes = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--now" && i + 1 < argc) now = std::stoll(argv[++i]);
    if (arg == "--running-window") runningWindow = true;
    if (arg == "--wait-bytes" && i + 1 < argc) waitBytes = std::stoull(argv[++i]);
  }
  os::ShellLaunchRecorder recorder(false);
  QueueAnswers();
  os::HWND running = nullptr;
  if (runningWindow) {
    os::headless::ForeignWindowDesc foreign;
    foreign.caption = u"LumoraMorvaine";
    foreign.className = u"IEWeb";
    foreign.processId = 4242;
    running = os::headless::AddForeignWindow(foreign);
  }
  const StartupResult result = DecideStartup(now);
  // Whether the login window's font worker was left running.
  const bool fontsAhead = os::FontsAhead::Pending();
  if (result.downloadStarted && waitBytes > 0) WaitForInstaller(waitBytes);
  PrintRecords(recorder);
  if (running != nullptr) {
    for (const auto& message : os::headless::ForeignMessages(running)) {
      std::printf("foreign\t%u\t%llu\n", message.message, static_cast<unsigned long long>(message.wParam));
    }
    std::printf("close-requests\t%d\n", os::headless::ForeignCloseRequests(running));
  }
  std::printf("fonts-ahead\t%d\n", fontsAhead ? 1 : 0);
  // No window takes the fonts here, and the process ends now: the font
  // worker and a download end before it, as the launcher's do.
  StopLoginAhead();
  StopDownloads(std::chrono::seconds(10));
  std::printf("result\t%d\t%d\t%d\n", result.openLoginWindow ? 1 : 0, result.versionDocumentUsable ? 1 : 0,
              result.downloadStarted ? 1 : 0);
  return 0;
}

__attribute__((noinline)) void Fault() {
  // A page that can be neither read nor written: a real access violation
  // that no sanitizer intercepts first.
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  std::printf("fault-address\t%llu\n",
              static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(page)));
  std::fflush(stdout);
  *static_cast<volatile int*>(page) = 1;
}

int RunCrash(int argc, char** argv) {
  InstallCrashHandler();
  if (argc > 2 && std::strcmp(argv[2], "thread") == 0) {
    std::thread worker(Fault);
    worker.join();
  } else {
    Fault();
  }
  return 3;  // not reached: the fault ends this image
}

}  // namespace

int main(int argc, char** argv) {
  if (TakeCrashReportRequest()) {
    os::ShellLaunchRecorder recorder(false);
    QueueAnswers();
    std::printf("crash-report\n");
    ShowCrashReport();
    PrintRecords(recorder);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "startup") == 0) return RunStartup(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "crash") == 0) return RunCrash(argc, argv);
  std::fprintf(stderr, "usage: app_probe startup|crash ...\n");
  return 2;
}
