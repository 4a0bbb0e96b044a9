// A list of 1,000, 10,000 and 100,000 text rows in a 400×600 headless window:
// building it, one full paint, and one scroll step with its repaint. Paint and
// scroll should cost the same at every size: only the rows in view are laid
// out and painted.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Core/UIManager.h"
#include "controls/List.h"
#include "controls/ListElement.h"
#include "controls/ListHeader.h"
#include "platform/headless/Headless.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace {

using Kesto::CListTextElementUI;
using Kesto::CListUI;

constexpr int kWidth = 400;
constexpr int kHeight = 600;

os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

// A headless window whose manager shows one list of text rows in two columns.
class ListWindow {
 public:
  explicit ListWindow(int rows) {
    setenv("LUMORA_PLATFORM", "headless", 1);
    os::headless::Reset();
    os::WNDCLASSEXW wc;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = u"KestoListBench";
    os::RegisterClassEx(&wc);
    hwnd = os::CreateWindowEx(0, u"KestoListBench", u"bench", os::WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                              nullptr, nullptr, this);
    manager.Init(hwnd);
    list = new CListUI();
    list->SetBkColor(0xFFFFFFFF);
    list->SetAttribute(u"vscrollbar", u"true");
    auto* header = list->GetHeader();
    for (const int width : {150, 250}) {
      auto* column = new Kesto::CListHeaderItemUI();
      column->SetFixedWidth(width);
      header->Add(column);
    }
    AddRows(rows);
    manager.AttachRoot(list);
    os::ShowWindow(hwnd, os::SW_SHOW);
    Pump();
  }
  ~ListWindow() {
    if (os::IsWindow(hwnd)) os::DestroyWindow(hwnd);
  }
  ListWindow(const ListWindow&) = delete;
  ListWindow& operator=(const ListWindow&) = delete;

  void AddRows(int rows) {
    for (int i = 0; i < rows; ++i) {
      auto* row = new CListTextElementUI();
      const std::string n = std::to_string(i);
      row->SetText(0, std::u16string(n.begin(), n.end()));
      row->SetText(1, u"Morvaine server");
      list->Add(row);
    }
  }
  void PaintAll() {
    os::InvalidateRect(hwnd, nullptr, os::FALSE);
    Pump();
  }
  static void Pump() {
    os::headless::Pump([](os::MSG& msg) { return Kesto::UIManager::TranslateForManagers(&msg); });
  }

  Kesto::UIManager manager;
  os::HWND hwnd = nullptr;
  CListUI* list = nullptr;
};

os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message == os::WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
    os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<ListWindow*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
  if (self != nullptr && self->manager.Window() == hwnd) {
    os::LRESULT result = 0;
    if (self->manager.MessageHandler(message, wParam, lParam, result)) return result;
  }
  return os::DefWindowProc(hwnd, message, wParam, lParam);
}

// Building: the rows made and added, the first layout and paint.
void BM_ListBuild(benchmark::State& state) {
  for (auto _ : state) {
    ListWindow window(static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(window.list->GetCount());
  }
  state.SetLabel("rows made, added, laid out and painted once");
}

void BM_ListFullPaint(benchmark::State& state) {
  ListWindow window(static_cast<int>(state.range(0)));
  window.list->SetScrollPos(Kesto::SIZE{0, window.list->GetScrollRange().cy / 2});
  window.Pump();
  for (auto _ : state) window.PaintAll();
  state.SetLabel("whole 400x600 view repainted");
}

void BM_ListScrollStep(benchmark::State& state) {
  ListWindow window(static_cast<int>(state.range(0)));
  window.list->SetScrollPos(Kesto::SIZE{0, window.list->GetScrollRange().cy / 2});
  window.Pump();
  bool down = true;
  for (auto _ : state) {
    // Down and up in turn, so every step scrolls.
    if (down) {
      window.list->LineDown();
    } else {
      window.list->LineUp();
    }
    down = !down;
    window.Pump();
  }
  state.SetLabel("one line scrolled and repainted");
}

}  // namespace

BENCHMARK(BM_ListBuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListFullPaint)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListScrollStep)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
