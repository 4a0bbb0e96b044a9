// A skin built into a headless window: laid out, painted and driven with
// injected input through the window's manager.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/ScrollBar.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace Kesto {
namespace {

// A control that logs the events it receives as "name:type".
class Probe : public CControlUI {
 public:
  explicit Probe(std::vector<std::string>& log) : log_(log) {}
  void DoEvent(ControlEvent& event) override {
    if (event.type != UIEvent::MouseMove) log_.push_back(Name() + ":" + std::to_string(event.type));
    CControlUI::DoEvent(event);
  }

 private:
  std::string Name() const {
    const std::u16string n = GetName();
    return std::string(n.begin(), n.end());
  }
  std::vector<std::string>& log_;
};

// Stacks its children top to bottom by their fixed heights and shows its
// scroll bar when they do not fit, as a vertical layout does.
class Column : public CContainerUI {
 public:
  void SetPos(RECT rc) override {
    CControlUI::SetPos(rc);
    RECT inner = InnerRect();
    int y = inner.top - GetScrollPos().cy;
    int total = 0;
    for (int i = 0; i < GetCount(); ++i) {
      CControlUI* child = GetItemAt(i);
      if (!child->IsVisible()) continue;
      child->SetPos(RECT{inner.left, y, inner.right, y + child->GetFixedHeight()});
      y += child->GetFixedHeight();
      total += child->GetFixedHeight();
    }
    ProcessScrollBar(inner, 0, total);
  }
};

class Factory : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(std::u16string_view tag) override {
    if (tag == u"Probe") return new Probe(log);
    if (tag == u"Column") return new Column();
    return nullptr;
  }
  std::vector<std::string> log;
};

constexpr char16_t kSkin[] =
    uR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="200,150">
  <Default name="Probe" value="bkcolor=&quot;#FF00FF00&quot; height=&quot;50&quot;"/>
  <Container name="root" bkcolor="#FF202020" inset="4,4,4,4">
    <Column name="list" vscrollbar="true" scrollstepsize="10" bkcolor="#FFFFFFFF">
      <Probe name="item1" height="60" bkcolor="#FFFF0000"/>
      <Probe name="item2" height="60"/>
      <Probe name="item3" height="60" bkcolor="#FF0000FF"/>
    </Column>
    <Control name="badge" float="true" pos="10,-30,40,-10" bkcolor="#FFFFFF00"/>
  </Container>
</Window>)";

// A top-level headless window at (100, 100) whose procedure hands every
// message to its manager.
class SkinWindow {
 public:
  SkinWindow() {
    os::headless::Reset();
    os::WNDCLASSEXW wc;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = u"KestoSkinWindowTest";
    os::RegisterClassEx(&wc);
    hwnd = os::CreateWindowEx(0, u"KestoSkinWindowTest", u"skin", os::WS_POPUP, 100, 100, 300, 300, nullptr,
                              nullptr, nullptr, this);
    manager.Init(hwnd);
  }
  ~SkinWindow() {
    if (os::IsWindow(hwnd)) os::DestroyWindow(hwnd);
  }
  static void Pump() {
    os::headless::Pump([](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
  }
  POINT Screen(int x, int y) const { return POINT{x + 100, y + 100}; }
  // Premultiplied 0xAARRGGBB of the last presented frame.
  std::uint32_t Pixel(int x, int y) const {
    const std::optional<os::headless::Frame> frame = os::headless::LastFrame(hwnd);
    if (!frame || x < 0 || y < 0 || x >= frame->width || y >= frame->height) return 0;
    const std::uint8_t* p = &frame->bgra[static_cast<std::size_t>((y * frame->width + x) * 4)];
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[0];
  }

  UIManager manager;
  os::HWND hwnd = nullptr;

 private:
  static os::LRESULT OS_STDCALL Proc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
    if (message == os::WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
      os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<SkinWindow*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
    if (self != nullptr && self->manager.Window() == hwnd) {
      os::LRESULT result = 0;
      if (self->manager.MessageHandler(message, wParam, lParam, result)) return result;
    }
    return os::DefWindowProc(hwnd, message, wParam, lParam);
  }
};

class SkinWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinBuilder builder;
    root_ = builder.Build(kSkin, std::nullopt, &factory_, &window_.manager);
    ASSERT_NE(root_, nullptr);
    ASSERT_TRUE(window_.manager.AttachRoot(root_));
    os::ShowWindow(window_.hwnd, os::SW_SHOW);
    SkinWindow::Pump();
    list_ = static_cast<CContainerUI*>(Find(u"list")->GetInterface(u"Container"));
  }

  CControlUI* Find(std::u16string_view name) { return window_.manager.FindControlByName(name); }

  Factory factory_;
  SkinWindow window_;
  CControlUI* root_ = nullptr;
  CContainerUI* list_ = nullptr;
};

TEST_F(SkinWindowTest, TheSkinSizesTheWindowAndLaysOutTheTree) {
  RECT client{};
  os::GetClientRect(window_.hwnd, &client);
  EXPECT_EQ(client, (RECT{0, 0, 200, 150}));
  EXPECT_EQ(root_->GetPos(), (RECT{0, 0, 200, 150}));
  EXPECT_EQ(Find(u"list")->GetPos(), (RECT{4, 4, 196, 146}));
  // 180 pixels of items in 142: the bar shows on the right with range 38.
  CScrollBarUI* bar = list_->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetPos(), (RECT{180, 4, 196, 146}));
  EXPECT_EQ(list_->GetScrollRange().cy, 38);
  EXPECT_EQ(Find(u"item1")->GetPos(), (RECT{4, 4, 180, 64}));
  EXPECT_EQ(Find(u"item2")->GetPos(), (RECT{4, 64, 180, 124}));
  EXPECT_EQ(Find(u"item3")->GetPos(), (RECT{4, 124, 180, 184}));
  // Anchored 10 pixels from the bottom.
  EXPECT_EQ(Find(u"badge")->GetPos(), (RECT{10, 120, 40, 140}));
  // Tree order and ownership.
  EXPECT_EQ(Find(u"item1")->GetParent(), Find(u"list"));
  EXPECT_EQ(Find(u"badge")->GetManager(), &window_.manager);
}

TEST_F(SkinWindowTest, TheFramePaintsBackgroundsClippedChildrenAndTheBar) {
  EXPECT_EQ(window_.Pixel(1, 1), 0xFF202020u);      // root, in the inset
  EXPECT_EQ(window_.Pixel(100, 30), 0xFFFF0000u);   // item1
  EXPECT_EQ(window_.Pixel(100, 100), 0xFF00FF00u);  // item2, colour from the default list
  EXPECT_EQ(window_.Pixel(100, 140), 0xFF0000FFu);  // item3, cut at the list's bottom
  EXPECT_EQ(window_.Pixel(100, 147), 0xFF202020u);
  EXPECT_EQ(window_.Pixel(25, 130), 0xFFFFFF00u);  // the floating badge on top
  EXPECT_EQ(window_.Pixel(180, 4), 0xFF85E4FFu);   // the bar's first button, outlined
}

TEST_F(SkinWindowTest, PointerEventsReachTheControlsUnderIt) {
  os::inject::MouseMove(window_.Screen(100, 30));
  SkinWindow::Pump();
  EXPECT_EQ(window_.manager.Hot(), Find(u"item1"));
  os::inject::MouseMove(window_.Screen(100, 100));
  SkinWindow::Pump();
  EXPECT_EQ(window_.manager.Hot(), Find(u"item2"));
  os::inject::MouseDown();
  SkinWindow::Pump();
  EXPECT_EQ(window_.manager.Captured(), Find(u"item2"));
  os::inject::MouseUp();
  SkinWindow::Pump();
  EXPECT_EQ(window_.manager.Captured(), nullptr);
  EXPECT_EQ(factory_.log, (std::vector<std::string>{"item1:11", "item1:10", "item2:11", "item2:21",
                                                    "item2:13", "item2:14"}));

  // The badge floats over item3 and is hit first.
  int badgeEvents = 0;
  Find(u"badge")->OnEvent += [&](ControlEvent& e) {
    if (e.type == UIEvent::ButtonDown) ++badgeEvents;
    return true;
  };
  os::inject::Click(window_.Screen(25, 130));
  SkinWindow::Pump();
  EXPECT_EQ(badgeEvents, 1);
  EXPECT_EQ(window_.manager.Focus(), Find(u"badge"));
}

TEST_F(SkinWindowTest, WheelAndThumbScrollTheList) {
  os::inject::MouseMove(window_.Screen(100, 100));
  os::inject::Wheel(-120);  // towards the user: down
  SkinWindow::Pump();
  EXPECT_EQ(list_->GetScrollPos().cy, 10);
  EXPECT_EQ(Find(u"item1")->GetPos(), (RECT{4, -6, 180, 54}));
  EXPECT_EQ(window_.Pixel(100, 57), 0xFF00FF00u);  // repainted: item2 moved up

  // Thumb 142·110/180 = 86 long, 6 pixels down at position 10; 24 pixels of
  // travel cover the whole range.
  CScrollBarUI* bar = list_->GetVerticalScrollBar();
  ASSERT_EQ(bar->GetThumbRect(), (RECT{180, 26, 196, 112}));
  os::inject::MouseMove(window_.Screen(188, 50));
  os::inject::MouseDown();
  SkinWindow::Pump();
  EXPECT_EQ(window_.manager.Captured(), bar);
  EXPECT_NE(bar->GetThumbState() & UIState::Captured, 0u);
  os::inject::MouseMove(window_.Screen(188, 62));
  SkinWindow::Pump();
  EXPECT_EQ(list_->GetScrollPos().cy, 10 + 19);
  os::inject::MouseMove(window_.Screen(188, 90));
  os::inject::MouseUp();
  SkinWindow::Pump();
  EXPECT_EQ(list_->GetScrollPos().cy, 38);
  EXPECT_EQ(bar->GetThumbState() & UIState::Captured, 0u);
  EXPECT_EQ(Find(u"item3")->GetPos(), (RECT{4, 86, 180, 146}));
  EXPECT_EQ(window_.Pixel(100, 140), 0xFF0000FFu);
}

}  // namespace
}  // namespace Kesto
