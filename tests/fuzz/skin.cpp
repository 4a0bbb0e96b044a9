// The skin builder on any skin document: the document is written into a skin
// folder that also holds the pictures and skins of the launcher (so seeds and
// mutations can name them, and include one another), built into a headless
// window, laid out and painted; then the window is resized to a size the
// input chooses, the pointer moved and pressed over it, and painted again.
#include <cstdint>
#include <filesystem>
#include <string>

#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "FuzzSupport.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace {

const std::filesystem::path& SkinFolder() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path made = fuzz::Scratch() / "skin";
    std::filesystem::create_directories(made);
    for (const char* skin : {"login", "game"}) {
      for (const auto& entry :
           std::filesystem::directory_iterator(std::filesystem::path(LUMORA_SKINS_DIR) / skin)) {
        std::filesystem::copy_file(entry.path(), made / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
      }
    }
    // A small skin for Include elements and child layouts to name.
    fuzz::WriteFile(
        made / "inc.xml",
        "<Window><HorizontalLayout height=\"20\"><Label text=\"included\" /></HorizontalLayout></Window>");
    return made;
  }();
  return folder;
}

struct Host {
  Kesto::UIManager manager;
  os::HWND hwnd = nullptr;

  static os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
    if (message == os::WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
      os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Host*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
    if (self != nullptr && self->manager.Window() == hwnd) {
      os::LRESULT result = 0;
      if (self->manager.MessageHandler(message, wParam, lParam, result)) return result;
    }
    return os::DefWindowProc(hwnd, message, wParam, lParam);
  }
};

void Pump() {
  os::headless::Pump([](os::MSG& msg) { return Kesto::UIManager::TranslateForManagers(&msg); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = fuzz::Bytes(data, size);
  // Two leading bytes size the window on its second layout.
  const int width = bytes.size() > 0 ? static_cast<unsigned char>(bytes[0]) * 8 : 300;
  const int height = bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) * 6 : 300;
  fuzz::WriteFile(SkinFolder() / "fuzz.xml", bytes.substr(std::min<std::size_t>(bytes.size(), 2)));

  os::headless::Reset();
  Kesto::UIManager::SetSkinArchive(u"", false);
  Kesto::UIManager::SetSkinRoot(SkinFolder().u16string());
  {
    Host host;
    os::WNDCLASSEXW wc;
    wc.lpfnWndProc = &Host::Proc;
    wc.lpszClassName = u"KestoFuzzSkin";
    os::RegisterClassEx(&wc);
    host.hwnd = os::CreateWindowEx(0, u"KestoFuzzSkin", u"skin", os::WS_POPUP, 100, 100, 300, 300, nullptr,
                                   nullptr, nullptr, &host);
    FUZZ_CHECK(host.hwnd != nullptr);
    host.manager.Init(host.hwnd);
    Kesto::SkinBuilder builder;
    Kesto::CControlUI* root =
        builder.Build(Kesto::SkinRef(u"fuzz.xml"), std::nullopt, nullptr, &host.manager);
    if (root != nullptr && host.manager.AttachRoot(root)) {
      os::ShowWindow(host.hwnd, os::SW_SHOW);
      Pump();
      os::SetWindowPos(host.hwnd, nullptr, 0, 0, width, height, os::SWP_NOZORDER | os::SWP_NOMOVE);
      Pump();
      os::inject::MouseMove(os::POINT{100 + width / 2, 100 + height / 2});
      Pump();
      os::inject::Click(os::POINT{100 + width / 3, 100 + height / 3});
      Pump();
    } else {
      delete root;
    }
    os::DestroyWindow(host.hwnd);
    Pump();
  }
  return 0;
}
