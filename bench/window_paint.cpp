// Layout and paint of the launcher's real windows on the headless backend,
// from the skins embedded in this program as in the launcher:
//   - the whole login window (resource 113) at 1100×720, every control and
//     text laid out anew and the whole per-pixel-alpha frame painted and
//     presented, on a screen of ordinary density and on one of twice that
//     (the argument: device pixels per logical unit; the headless backend
//     samples the dense frame down when it keeps it, a little work the gtk
//     backend's copy does not have);
//   - the game window's title bar (resource 114) at 1000 px width, with the
//     texts a server list gives it, laid out and painted alone;
//   - a hover repaint of the login button: the pointer enters it (hot picture)
//     or leaves it again, and the window paints what changed.
// Each reports the median and the 99th percentile of its iterations beside
// Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "Core/WindowImplBase.h"
#include "controls/Container.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace {

// A window built from an embedded skin as the launcher's windows are.
class SkinWindow : public Kesto::WindowImplBase {
 public:
  SkinWindow(std::u16string file, int resource) : file_(std::move(file)), resource_(resource) {}
  std::u16string_view GetWindowClassName() const override { return u"BenchSkinWindow"; }
  std::u16string GetSkinFolder() override { return {}; }
  std::u16string GetSkinFile() override { return file_; }
  Kesto::ResourceKind GetResourceType() const override { return Kesto::ResourceKind::ZipResource; }
  os::ResourceName GetResourceId() const override { return os::ResourceName(resource_); }

 private:
  std::u16string file_;
  int resource_;
};

void Pump() {
  os::headless::Pump([](os::MSG& msg) { return Kesto::UIManager::TranslateForManagers(&msg); });
}

std::unique_ptr<SkinWindow> Open(const char16_t* file, int resource, int width, int height) {
  os::headless::Reset();
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  auto window = std::make_unique<SkinWindow>(file, resource);
  window->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
  os::SetWindowPos(window->GetHWND(), nullptr, 0, 0, width, height, os::SWP_NOZORDER);
  window->ShowWindow(true, true);
  Pump();
  return window;
}

int Presents(os::HWND hwnd) {
  const auto surface = os::headless::Surface(hwnd);
  return surface ? surface->presents : 0;
}

// Each iteration has to have presented a frame, or it measured nothing.
void CheckPresented(benchmark::State& state, os::HWND hwnd, int before) {
  if (Presents(hwnd) - before < static_cast<int>(state.iterations()))
    state.SkipWithError("an iteration presented no frame");
}

void Close(std::unique_ptr<SkinWindow> window) {
  os::DestroyWindow(window->GetHWND());
  Pump();
  Kesto::UIManager::SetSkinArchive(u"", false);
}

// Per-iteration times, reported as percentiles: of the time that passed
// (p50_ms, p99_ms) and of the processor time this thread used (p50_cpu_ms,
// p99_cpu_ms), which a machine shared with other work disturbs less.
class Percentiles {
 public:
  void Start() {
    start_ = std::chrono::steady_clock::now();
    cpuStart_ = ThreadCpuMs();
  }
  void Stop() {
    wall_.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count());
    cpu_.push_back(ThreadCpuMs() - cpuStart_);
  }
  void Report(benchmark::State& state) {
    Put(state, "", wall_);
    Put(state, "_cpu", cpu_);
  }

 private:
  static double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
  }
  static void Put(benchmark::State& state, const std::string& kind, std::vector<double>& samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    auto at = [&samples](double fraction) {
      const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
      return samples[std::min(index, samples.size() - 1)];
    };
    state.counters["p50" + kind + "_ms"] = at(0.50);
    state.counters["p99" + kind + "_ms"] = at(0.99);
  }
  std::chrono::steady_clock::time_point start_;
  double cpuStart_ = 0;
  std::vector<double> wall_;
  std::vector<double> cpu_;
};

void BM_LoginWindowLayoutAndPaint(benchmark::State& state) {
  auto window = Open(u"calvera.xml", 113, 1100, 720);
  Kesto::UIManager& manager = window->GetManager();
  if (manager.Root() == nullptr) {
    state.SkipWithError("the login skin did not build");
    return;
  }
  const int density = static_cast<int>(state.range(0));
  os::headless::SetSurfaceScale(window->GetHWND(), density);
  Pump();
  Percentiles times;
  const int before = Presents(window->GetHWND());
  for (auto _ : state) {
    times.Start();
    manager.Root()->NeedUpdate();
    os::InvalidateRect(window->GetHWND(), nullptr, os::FALSE);
    Pump();
    times.Stop();
  }
  CheckPresented(state, window->GetHWND(), before);
  if (manager.Root()->GetPos().right != 1100) state.SkipWithError("the window was not laid out at 1100 px");
  if (os::headless::Surface(window->GetHWND())->presentedScale != density)
    state.SkipWithError("the frame was not painted at the screen's density");
  times.Report(state);
  Close(std::move(window));
}
BENCHMARK(BM_LoginWindowLayoutAndPaint)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void SetButtonText(Kesto::UIManager& manager, const char16_t* name, const char16_t* text) {
  if (Kesto::CControlUI* control = manager.FindControlByName(name)) {
    control->SetText(text);
    control->SetVisible(true);
  }
}

void BM_GameTitleBarLayoutAndPaint(benchmark::State& state) {
  auto window = Open(u"webframe.xml", 114, 1000, 640);
  Kesto::UIManager& manager = window->GetManager();
  auto* root = manager.Root() != nullptr
                   ? static_cast<Kesto::IContainerUI*>(manager.Root()->GetInterface(u"IContainer"))
                   : nullptr;
  Kesto::CControlUI* bar = root != nullptr ? root->GetItemAt(0) : nullptr;
  if (bar == nullptr) {
    state.SkipWithError("the game skin has no title bar");
    return;
  }
  // What a server list's META elements leave in the bar.
  SetButtonText(manager, u"gamename", u"Morvaine");
  SetButtonText(manager, u"gamearea", u"晨曦之港 公告:新服「星落平原」今日开放，登录即送星辉礼包");
  SetButtonText(manager, u"more", u"More");
  SetButtonText(manager, u"charge", u"充值");
  Pump();
  Percentiles times;
  const int before = Presents(window->GetHWND());
  for (auto _ : state) {
    times.Start();
    bar->NeedUpdate();
    const os::RECT area = bar->GetPos();
    os::InvalidateRect(window->GetHWND(), &area, os::FALSE);
    Pump();
    times.Stop();
  }
  CheckPresented(state, window->GetHWND(), before);
  if (bar->GetPos().right - bar->GetPos().left != 1000) state.SkipWithError("the bar is not 1000 px wide");
  times.Report(state);
  Close(std::move(window));
}
BENCHMARK(BM_GameTitleBarLayoutAndPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoginButtonHoverRepaint(benchmark::State& state) {
  auto window = Open(u"calvera.xml", 113, 1100, 720);
  Kesto::CControlUI* button = window->GetManager().FindControlByName(u"startbtn");
  if (button == nullptr) {
    state.SkipWithError("the login skin has no login button");
    return;
  }
  const os::RECT pos = button->GetPos();
  os::POINT inside{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
  os::POINT outside{pos.left - 40, pos.top + 5};
  os::ClientToScreen(window->GetHWND(), &inside);
  os::ClientToScreen(window->GetHWND(), &outside);
  // The hot picture has to show, or the benchmark would time nothing.
  os::inject::MouseMove(inside);
  Pump();
  const auto hot = os::headless::LastFrame(window->GetHWND());
  os::inject::MouseMove(outside);
  Pump();
  const auto normal = os::headless::LastFrame(window->GetHWND());
  if (!hot || !normal || hot->bgra == normal->bgra) {
    state.SkipWithError("the login button shows no hover picture");
    return;
  }
  Percentiles times;
  const int before = Presents(window->GetHWND());
  bool in = false;
  for (auto _ : state) {
    in = !in;
    times.Start();
    os::inject::MouseMove(in ? inside : outside);
    Pump();
    times.Stop();
  }
  CheckPresented(state, window->GetHWND(), before);
  times.Report(state);
  Close(std::move(window));
}
BENCHMARK(BM_LoginButtonHoverRepaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
