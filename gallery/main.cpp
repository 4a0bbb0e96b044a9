// Process entry of the control gallery (see GalleryWnd.h).
//   kesto-gallery           opens the gallery
//   kesto-gallery --tags    prints the tags a skin can name, one a line
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "Core/UIManager.h"
#include "automation/Automation.h"
#include "gallery/GalleryWnd.h"
#include "platform/base/Unicode.h"
#include "platform/com/Com.h"
#include "platform/gtk/Gtk.h"
#include "platform/system/Kernel.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"

namespace {

int PrintTags() {
  for (const std::u16string& tag : BuildableTags()) std::printf("%s\n", os::Utf16ToUtf8(tag).c_str());
  return 0;
}

// Standard error, or the file KESTO_GALLERY_LOG names (appended).
std::FILE* OpenLog() {
  const auto path = os::GetEnvironmentVariable("KESTO_GALLERY_LOG");
  if (!path || path->empty()) return stderr;
  if (std::FILE* file = std::fopen(path->c_str(), "a")) return file;
  std::fprintf(stderr, "kesto-gallery: cannot open %s: %s\n", path->c_str(), std::strerror(errno));
  return stderr;
}

int RunGallery() {
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  const std::unique_ptr<AutomationDriver> automation = AutomationDriver::FromEnvironment();
  // The browser and the ActiveX hosts need COM on this thread.
  if (!os::SUCCEEDED(os::CoInitialize(nullptr))) return 1;
  std::FILE* log = OpenLog();
  {
    // Closing the window posts the quit; a script's "quit" leaves it open,
    // and it goes before its object does.
    GalleryWnd window(log);
    if (window.Create(nullptr, kGalleryCaption, os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0) ==
        nullptr) {
      std::fprintf(stderr, "kesto-gallery: the window cannot be created\n");
      return 1;
    }
    window.CenterWindow();
    window.ShowWindow(true, true);
    if (automation != nullptr) automation->Start();
    Kesto::UIManager::RunMessageLoop();
    if (os::IsWindow(window.GetHWND())) os::DestroyWindow(window.GetHWND());
  }
  if (log != stderr) std::fclose(log);
  os::CoUninitialize();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  os::gtk::RegisterBackend();
  if (argc > 1 && std::string_view(argv[1]) == "--tags") return PrintTags();
  if (argc > 1) {
    std::fprintf(stderr, "usage: kesto-gallery [--tags]\n");
    return 2;
  }
  return RunGallery();
}
