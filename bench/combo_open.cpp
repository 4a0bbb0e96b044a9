// Opening a combo box of 10,000 rows: the drop-down window is made, every
// row is measured and laid out, and the list's first paint is presented;
// then the list is closed again. Runs on the headless backend.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "controls/Combo.h"
#include "controls/ComboWnd.h"
#include "controls/ListElement.h"
#include "platform/headless/Headless.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace {

constexpr int kRows = 10000;

os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message == os::WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
    os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
  }
  auto* manager = reinterpret_cast<Kesto::UIManager*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
  if (manager != nullptr && manager->Window() == hwnd) {
    os::LRESULT result = 0;
    if (manager->MessageHandler(message, wParam, lParam, result)) return result;
  }
  return os::DefWindowProc(hwnd, message, wParam, lParam);
}

void Pump() {
  os::headless::Pump([](os::MSG& msg) { return Kesto::UIManager::TranslateForManagers(&msg); });
}

void BM_ComboOpenFirstPaint(benchmark::State& state) {
  os::headless::Reset();
  os::WNDCLASSEXW wc;
  wc.lpfnWndProc = &Proc;
  wc.lpszClassName = u"ComboBench";
  os::RegisterClassEx(&wc);
  Kesto::UIManager manager;
  const os::HWND hwnd = os::CreateWindowEx(0, u"ComboBench", u"bench", os::WS_POPUP, 100, 100, 400, 300,
                                           nullptr, nullptr, nullptr, &manager);
  manager.Init(hwnd);
  Kesto::SkinBuilder builder;
  Kesto::CControlUI* root = builder.Build(
      Kesto::SkinRef(u"<Window size=\"400,300\"><VerticalLayout><Combo name=\"c\" height=\"24\" "
                     u"dropboxsize=\"0,400\"/><Control/></VerticalLayout></Window>"),
      std::nullopt, nullptr, &manager);
  manager.AttachRoot(root);
  os::ShowWindow(hwnd, os::SW_SHOW);
  Pump();
  auto* combo = static_cast<Kesto::CComboUI*>(manager.FindControlByName(u"c")->GetInterface(u"Combo"));
  for (int i = 0; i < kRows; ++i) {
    auto* row = new Kesto::CListLabelElementUI();
    const std::string text = "Server " + std::to_string(i);
    row->SetText(std::u16string(text.begin(), text.end()));
    combo->Add(row);
  }
  combo->SelectItem(kRows / 2);
  Pump();

  for (auto _ : state) {
    combo->ShowDropDown();
    Pump();  // the list's first paint
    benchmark::DoNotOptimize(os::headless::LastFrame(combo->GetDropDownWindow()->GetHWND()));
    combo->CloseDropDown();
    Pump();
  }
  os::DestroyWindow(hwnd);
  Pump();
}
BENCHMARK(BM_ComboOpenFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
