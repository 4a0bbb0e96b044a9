// The control base: skin attributes, value formats, placement, visibility and
// layout requests, hit testing, events, delegates and painting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/Container.h"
#include "controls/Control.h"
#include "platform/base/Unicode.h"
#include "platform/gfx/Canvas.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using controltest::CountPixels;
using controltest::MakeEvent;
using controltest::Recorder;

// ---------------------------------------------------------------------------
// Value formats

TEST(AttributeValuesTest, ListsTakeAnySingleSeparatorAndMissingNumbersReadZero) {
  EXPECT_EQ(attr::ParseRect(u"1,2,3,4"), (RECT{1, 2, 3, 4}));
  EXPECT_EQ(attr::ParseRect(u"1 2;3x4"), (RECT{1, 2, 3, 4}));
  EXPECT_EQ(attr::ParseRect(u"-5,6"), (RECT{-5, 6, 0, 0}));
  // An empty field reads 0 and the next number starts one character later.
  EXPECT_EQ(attr::ParseRect(u"1,,3,4"), (RECT{1, 0, 3, 4}));
  EXPECT_EQ(attr::ParseRect(u""), (RECT{}));
  EXPECT_EQ(attr::ParseSize(u"640x480"), (SIZE{640, 480}));
  EXPECT_EQ(attr::ParseSize(u"640"), (SIZE{640, 0}));
}

TEST(AttributeValuesTest, NumbersReadAsFarAsTheyGoAndSaturate) {
  EXPECT_EQ(attr::ParseLong(u"  -12abc"), -12);
  EXPECT_EQ(attr::ParseLong(u"+7"), 7);
  EXPECT_EQ(attr::ParseLong(u"abc"), 0);
  EXPECT_EQ(attr::ParseLong(u"99999999999"), 2147483647);
  EXPECT_EQ(attr::ParseLong(u"-99999999999"), -2147483647 - 1);
  std::size_t end = 99;
  attr::ParseLong(u"x12", &end);
  EXPECT_EQ(end, 0u);
  attr::ParseLong(u" 12,", &end);
  EXPECT_EQ(end, 3u);
}

TEST(AttributeValuesTest, ColoursWithAndWithoutHash) {
  EXPECT_EQ(attr::ParseColor(u"#FF112233"), 0xFF112233u);
  EXPECT_EQ(attr::ParseColor(u"FF112233"), 0xFF112233u);
  EXPECT_EQ(attr::ParseColor(u"0xFF00FF00"), 0xFF00FF00u);
  EXPECT_EQ(attr::ParseColor(u" \t#ff445566"), 0xFF445566u);
  // Six digits: alpha 0, yet "set".
  EXPECT_EQ(attr::ParseColor(u"#112233"), 0x00112233u);
  EXPECT_EQ(attr::ParseColor(u"#1FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(attr::ParseColor(u"#"), 0u);
  // The strict form takes only an immediate "#".
  EXPECT_EQ(attr::ParseColorNoBlank(u"#FF000080"), 0xFF000080u);
  EXPECT_EQ(attr::ParseColorNoBlank(u" #FF000080"), 0u);
  EXPECT_TRUE(attr::ParseBool(u"true"));
  EXPECT_FALSE(attr::ParseBool(u"True"));
  EXPECT_FALSE(attr::ParseBool(u"1"));
}

// ---------------------------------------------------------------------------
// SetAttribute

TEST(ControlAttributesTest, PositionAndSizes) {
  CControlUI c;
  // A negative left anchors on the right value; the width is still r − l.
  c.SetAttribute(u"pos", u"-1,5,100,35");
  EXPECT_EQ(c.GetFixedXY(), (SIZE{100, 5}));
  EXPECT_EQ(c.GetFixedWidth(), 101);
  EXPECT_EQ(c.GetFixedHeight(), 30);

  c.SetAttribute(u"width", u"40");
  c.SetAttribute(u"height", u"-3");  // negative sizes are ignored
  EXPECT_EQ(c.GetFixedWidth(), 40);
  EXPECT_EQ(c.GetFixedHeight(), 30);
  EXPECT_EQ(c.EstimateSize(SIZE{500, 500}), (SIZE{40, 30}));

  c.SetAttribute(u"padding", u"1,2,3,4");
  EXPECT_EQ(c.GetPadding(), (RECT{1, 2, 3, 4}));
  c.SetAttribute(u"minwidth", u"10");
  c.SetAttribute(u"maxwidth", u"200");
  c.SetAttribute(u"minheight", u"11");
  c.SetAttribute(u"maxheight", u"201");
  EXPECT_EQ(c.GetMinWidth(), 10);
  EXPECT_EQ(c.GetMaxWidth(), 200);
  EXPECT_EQ(c.GetMinHeight(), 11);
  EXPECT_EQ(c.GetMaxHeight(), 201);

  EXPECT_FALSE(c.IsRelativePos());
  c.SetAttribute(u"relativepos", u"10,20,30,40");
  const RelativePosUI rel = c.GetRelativePos();
  EXPECT_TRUE(rel.relative);
  EXPECT_EQ(rel.moveXPercent, 10);
  EXPECT_EQ(rel.moveYPercent, 20);
  EXPECT_EQ(rel.zoomXPercent, 30);
  EXPECT_EQ(rel.zoomYPercent, 40);
}

TEST(ControlAttributesTest, ColoursBordersAndImages) {
  CControlUI c;
  c.SetAttribute(u"bkcolor", u" #FF000080");  // blanks before "#" accepted here
  c.SetAttribute(u"bkcolor2", u"FF00FF00");
  c.SetAttribute(u"bkcolor3", u"#112233");
  c.SetAttribute(u"bordercolor", u" #FF000080");  // but not here
  c.SetAttribute(u"focusbordercolor", u"#FFABCDEF");
  EXPECT_EQ(c.GetBkColor(), 0xFF000080u);
  EXPECT_EQ(c.GetBkColor2(), 0xFF00FF00u);
  EXPECT_EQ(c.GetBkColor3(), 0x00112233u);
  EXPECT_EQ(c.GetBorderColor(), 0u);
  EXPECT_EQ(c.GetFocusBorderColor(), 0xFFABCDEFu);
  c.SetAttribute(u"bkcolor1", u"#FF010203");
  EXPECT_EQ(c.GetBkColor(), 0xFF010203u);

  // One number: the whole-rectangle border, per-side widths cleared. Four:
  // the per-side widths, the single width unchanged.
  c.SetAttribute(u"bordersize", u"3");
  EXPECT_EQ(c.GetBorderSize(), 3);
  c.SetAttribute(u"bordersize", u"1,2,3,4");
  EXPECT_EQ(c.GetBorderSides(), (RECT{1, 2, 3, 4}));
  EXPECT_EQ(c.GetBorderSize(), 3);
  c.SetAttribute(u"bordersize", u"2");
  EXPECT_EQ(c.GetBorderSize(), 2);
  EXPECT_EQ(c.GetBorderSides(), (RECT{}));
  c.SetAttribute(u"leftbordersize", u"5");
  c.SetAttribute(u"bottombordersize", u"6");
  EXPECT_EQ(c.GetBorderSides(), (RECT{5, 0, 0, 6}));
  c.SetAttribute(u"borderstyle", u"2");
  c.SetAttribute(u"borderround", u"4,6");
  EXPECT_EQ(c.GetBorderStyle(), 2);
  EXPECT_EQ(c.GetBorderRound(), (SIZE{4, 6}));

  c.SetAttribute(u"colorhsl", u"true");
  EXPECT_TRUE(c.IsColorHSL());
  c.SetAttribute(u"bkimage", u"file='bk.png' corner='2,2,2,2'");
  EXPECT_EQ(c.GetBkImage(), u"file='bk.png' corner='2,2,2,2'");
}

TEST(ControlAttributesTest, FlagsTextsAndUnknownNames) {
  CControlUI c;
  c.SetAttribute(u"enabled", u"false");
  c.SetAttribute(u"mouse", u"false");
  c.SetAttribute(u"keyboard", u"false");
  c.SetAttribute(u"float", u"true");
  c.SetAttribute(u"menu", u"true");
  EXPECT_FALSE(c.IsEnabled());
  EXPECT_FALSE(c.IsMouseEnabled());
  EXPECT_FALSE(c.IsKeyboardEnabled());
  EXPECT_TRUE(c.IsFloat());
  EXPECT_TRUE(c.IsContextMenuUsed());
  EXPECT_FALSE(c.Activate());
  // Only the exact text "true" is true.
  c.SetAttribute(u"enabled", u"True");
  EXPECT_FALSE(c.IsEnabled());
  c.SetAttribute(u"visible", u"false");
  EXPECT_FALSE(c.IsVisible());

  c.SetAttribute(u"name", u"okbtn");
  c.SetAttribute(u"text", u"确定");
  c.SetAttribute(u"userdata", u"42");
  c.SetAttribute(u"shortcut", u"QX");
  c.SetAttribute(u"tooltip", u"first<n>second");
  c.SetAttribute(u"virtualwnd", u"page");
  EXPECT_EQ(c.GetName(), u"okbtn");
  EXPECT_EQ(c.GetText(), u"确定");
  EXPECT_EQ(c.GetUserData(), u"42");
  EXPECT_EQ(c.GetShortcut(), u'Q');
  EXPECT_EQ(c.GetToolTip(), u"first\r\nsecond");
  EXPECT_EQ(c.GetVirtualWnd(), u"page");

  // Names are case-sensitive; unknown ones change nothing.
  c.SetAttribute(u"Text", u"other");
  c.SetAttribute(u"nonsense", u"1");
  EXPECT_EQ(c.GetText(), u"确定");
  EXPECT_EQ(c.GetClass(), u"ControlUI");
  EXPECT_EQ(c.GetInterface(u"Control"), &c);
  EXPECT_EQ(c.GetInterface(u"Button"), nullptr);
}

TEST(ControlAttributesTest, VirtualWindowNameIsInheritedFromTheParent) {
  CContainerUI parent;
  CControlUI child;
  child.SetOwner(nullptr, &parent, false);
  EXPECT_EQ(child.GetVirtualWnd(), u"");
  parent.SetVirtualWnd(u"tab1");
  EXPECT_EQ(child.GetVirtualWnd(), u"tab1");
  child.SetVirtualWnd(u"own");
  EXPECT_EQ(child.GetVirtualWnd(), u"own");
}

TEST(ControlAttributesTest, AttributeListStopsAtTheFirstMalformedPair) {
  CControlUI a;
  a.ApplyAttributeList(u"text=\"a b\" name=\"x\" bkcolor=\"#FF0000FF\"");
  EXPECT_EQ(a.GetText(), u"a b");
  EXPECT_EQ(a.GetName(), u"x");
  EXPECT_EQ(a.GetBkColor(), 0xFF0000FFu);

  CControlUI b;
  b.ApplyAttributeList(u"text=\"a\"  name=\"x\"");  // two blanks end the list
  EXPECT_EQ(b.GetText(), u"a");
  EXPECT_EQ(b.GetName(), u"");

  CControlUI c;
  c.ApplyAttributeList(u"text=a name=\"x\"");
  c.ApplyAttributeList(u"name=\"unterminated");
  c.ApplyAttributeList(u"novalue");
  EXPECT_EQ(c.GetText(), u"");
  EXPECT_EQ(c.GetName(), u"");
}

// ---------------------------------------------------------------------------
// Layout requests and placement

TEST(ControlLayoutTest, SettersIgnoreNegativeAndUnchangedValues) {
  UIManager manager;
  CControlUI c;
  c.SetOwner(&manager, nullptr, false);
  c.SetMinWidth(-1);
  c.SetMinWidth(0);
  c.SetMaxHeight(9999);
  c.SetFixedWidth(-4);
  EXPECT_FALSE(manager.IsLayoutNeeded());
  EXPECT_EQ(c.GetMinWidth(), 0);
  c.SetMinWidth(5);
  EXPECT_TRUE(manager.IsLayoutNeeded());
  EXPECT_EQ(c.GetMinWidth(), 5);
}

TEST(ControlLayoutTest, HiddenControlNeitherInvalidatesNorAsksForLayout) {
  UIManager manager;
  CControlUI c;
  c.SetVisible(false);
  c.SetOwner(&manager, nullptr, false);
  c.Invalidate();
  c.NeedUpdate();
  EXPECT_FALSE(manager.IsLayoutNeeded());
  EXPECT_EQ(manager.InvalidRect(), (RECT{}));

  // Visible again, its invalidation is cut to the ancestors' rectangles.
  CContainerUI parent;
  parent.SetOwner(&manager, nullptr, false);
  parent.SetPos(RECT{0, 0, 50, 50});
  CControlUI child;
  child.SetOwner(&manager, &parent, false);
  child.SetPos(RECT{40, 40, 80, 80});
  child.Invalidate();
  EXPECT_EQ(manager.InvalidRect(), (RECT{40, 40, 50, 50}));
  child.NeedUpdate();
  EXPECT_TRUE(child.IsUpdateNeeded());
  EXPECT_TRUE(manager.IsLayoutNeeded());
}

TEST(ControlLayoutTest, SetPosFlattensInvertedRectanglesAndClearsTheUpdateFlag) {
  CControlUI loose;
  loose.SetPos(RECT{10, 10, 5, 2});
  EXPECT_EQ(loose.GetPos(), (RECT{10, 10, 10, 10}));
  // Without a manager the position is stored and nothing else happens.
  EXPECT_TRUE(loose.IsUpdateNeeded());

  UIManager manager;
  CControlUI c;
  c.SetOwner(&manager, nullptr, false);
  c.SetPos(RECT{1, 2, 30, 40});
  EXPECT_FALSE(c.IsUpdateNeeded());
  EXPECT_EQ(c.GetWidth(), 29);
  EXPECT_EQ(c.GetHeight(), 38);
  EXPECT_EQ(c.GetX(), 1);
  EXPECT_EQ(c.GetY(), 2);
}

TEST(ControlLayoutTest, FloatingSetPosRecomputesItsAnchorFromTheParent) {
  UIManager manager;
  CContainerUI parent;
  parent.SetOwner(&manager, nullptr, false);
  parent.SetPos(RECT{100, 100, 300, 200});
  CControlUI child;
  child.SetOwner(&manager, &parent, false);
  child.SetAttribute(u"float", u"true");
  child.SetAttribute(u"pos", u"-50,5,-10,25");  // anchored on the right
  ASSERT_EQ(child.GetFixedXY(), (SIZE{-10, 5}));
  child.SetPos(RECT{250, 110, 290, 130});
  EXPECT_EQ(child.GetFixedXY(), (SIZE{290 - 300, 110 - 100}));
  EXPECT_EQ(child.GetFixedWidth(), 40);
  EXPECT_EQ(child.GetFixedHeight(), 20);
}

TEST(ControlLayoutTest, OnSizeFiresOncePerPlacementEvenWhenTheHandlerMovesTheControl) {
  UIManager manager;
  CControlUI c;
  c.SetOwner(&manager, nullptr, false);
  int calls = 0;
  c.OnSize += [&](CControlUI& self) {
    ++calls;
    self.SetPos(RECT{0, 0, 5, 5});  // re-entry does not fire again
    return true;
  };
  c.SetPos(RECT{0, 0, 10, 10});
  EXPECT_EQ(calls, 1);
  // The handler runs after the new position is stored, so its own wins.
  EXPECT_EQ(c.GetPos(), (RECT{0, 0, 5, 5}));
  c.SetPos(RECT{0, 0, 8, 8});
  EXPECT_EQ(calls, 2);
}

TEST(ControlVisibilityTest, HidingTheFocusedControlClearsTheManagersFocus) {
  UIManager manager;
  CControlUI c;
  c.SetOwner(&manager, nullptr, false);
  manager.SetFocus(&c);
  ASSERT_EQ(manager.Focus(), &c);
  c.SetVisible(false);
  EXPECT_EQ(manager.Focus(), nullptr);
  EXPECT_FALSE(c.IsFocused());
  EXPECT_TRUE(manager.IsLayoutNeeded());

  CControlUI d;
  d.SetOwner(&manager, nullptr, false);
  manager.SetFocus(&d);
  d.SetInternVisible(false);
  EXPECT_EQ(manager.Focus(), nullptr);
  EXPECT_FALSE(d.IsVisible());
  d.SetInternVisible(true);
  EXPECT_TRUE(d.IsVisible());
}

// ---------------------------------------------------------------------------
// Hit testing

CControlUI* Accept(CControlUI* c, void*) { return c; }

TEST(ControlFindTest, FlagsFilterHiddenDisabledAndMissedControls) {
  CControlUI c;
  c.SetPos(RECT{0, 0, 10, 10});
  POINT inside{5, 5};
  POINT outside{15, 5};
  EXPECT_EQ(c.FindControl(Accept, &inside, FindFlag::HitTest), &c);
  EXPECT_EQ(c.FindControl(Accept, &outside, FindFlag::HitTest), nullptr);
  // The right and bottom edges are outside.
  POINT edge{10, 5};
  EXPECT_EQ(c.FindControl(Accept, &edge, FindFlag::HitTest), nullptr);

  c.SetMouseEnabled(false);
  EXPECT_EQ(c.FindControl(Accept, &inside, FindFlag::HitTest), nullptr);
  EXPECT_EQ(c.FindControl(Accept, nullptr, FindFlag::All), &c);

  c.SetEnabled(false);
  EXPECT_EQ(c.FindControl(Accept, nullptr, FindFlag::Enabled), nullptr);
  c.SetVisible(false);
  EXPECT_EQ(c.FindControl(Accept, nullptr, FindFlag::Visible), nullptr);
  EXPECT_EQ(c.FindControl(Accept, nullptr, FindFlag::All), &c);
}

// ---------------------------------------------------------------------------
// Events and delegates

class EventLog : public CContainerUI {
 public:
  void DoEvent(ControlEvent& event) override { types.push_back(event.type); }
  std::vector<int> types;
};

TEST(ControlEventTest, TimerAndMenuNotifyOthersGoToTheParent) {
  UIManager manager;
  Recorder recorder;
  manager.AddNotifier(&recorder);
  EventLog parent;
  CControlUI c;
  c.SetOwner(&manager, &parent, false);

  ControlEvent timer = MakeEvent(UIEvent::Timer, {}, 7);
  timer.lParam = 9;
  c.Event(timer);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].type, u"timer");
  EXPECT_EQ(recorder.messages[0].sender, &c);
  EXPECT_EQ(recorder.messages[0].wParam, 7u);
  EXPECT_EQ(recorder.messages[0].lParam, 9);

  ControlEvent menu = MakeEvent(UIEvent::ContextMenu, {3, 4});
  c.Event(menu);  // menus not in use: handed on
  c.SetContextMenuUsed(true);
  c.Event(menu);
  EXPECT_EQ(recorder.Types(), (std::vector<std::u16string>{u"timer", u"menu"}));

  ControlEvent down = MakeEvent(UIEvent::ButtonDown, {1, 1});
  c.Event(down);
  EXPECT_EQ(parent.types, (std::vector<int>{UIEvent::ContextMenu, UIEvent::ButtonDown}));

  ControlEvent focus = MakeEvent(UIEvent::SetFocus);
  c.Event(focus);
  EXPECT_TRUE(c.IsFocused());
  ControlEvent kill = MakeEvent(UIEvent::KillFocus);
  c.Event(kill);
  EXPECT_FALSE(c.IsFocused());
  EXPECT_EQ(parent.types.size(), 2u);  // focus events stay with the control
}

TEST(ControlEventTest, AnOnEventDelegateThatSaysNoKeepsTheEventAway) {
  EventLog parent;
  CControlUI c;
  c.SetOwner(nullptr, &parent, false);
  std::vector<std::string> calls;
  const int first = c.OnEvent += [&](ControlEvent&) {
    calls.push_back("first");
    return true;
  };
  c.OnEvent += [&](ControlEvent&) {
    calls.push_back("veto");
    return false;
  };
  c.OnEvent += [&](ControlEvent&) {
    calls.push_back("never");
    return true;
  };
  ControlEvent e = MakeEvent(UIEvent::ButtonUp);
  c.Event(e);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "veto"}));
  EXPECT_TRUE(parent.types.empty());

  c.OnEvent.Clear();
  EXPECT_FALSE(c.OnEvent.Remove(first));
  c.Event(e);
  EXPECT_EQ(parent.types, (std::vector<int>{UIEvent::ButtonUp}));
}

TEST(ControlEventTest, InitAndDestroyDelegates) {
  std::vector<std::string> log;
  CContainerUI parent;
  {
    class Traced : public CControlUI {
     public:
      explicit Traced(std::vector<std::string>& log) : log_(log) {}
      void DoInit() override { log_.push_back("DoInit"); }

     private:
      std::vector<std::string>& log_;
    };
    Traced c(log);
    c.OnInit += [&](CControlUI&) {
      log.push_back("OnInit");
      return true;
    };
    const int id = c.OnDestroy += [&](CControlUI&) {
      log.push_back("removed");
      return true;
    };
    c.OnDestroy += [&](CControlUI&) {
      log.push_back("OnDestroy");
      return true;
    };
    EXPECT_TRUE(c.OnDestroy.Remove(id));
    c.SetOwner(nullptr, nullptr, true);  // no parent: no initialisation
    EXPECT_TRUE(log.empty());
    c.SetOwner(nullptr, &parent, true);
    EXPECT_EQ(c.GetParent(), &parent);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"DoInit", "OnInit", "OnDestroy"}));
}

// ---------------------------------------------------------------------------
// Painting

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;

struct Painted {
  os::Bitmap bitmap{60, 50};
  void Paint(CControlUI& c, RECT paint = RECT{0, 0, 60, 50}) {
    os::Canvas canvas(bitmap);
    c.DoPaint(canvas, paint);
    EXPECT_EQ(canvas.ClipDepth(), 0u);  // every clip restored
  }
};

TEST(ControlPaintTest, OpaqueBackgroundFillsOnlyThePaintRectangle) {
  CControlUI c;
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetBkColor(kRed);
  Painted p;
  p.Paint(c, RECT{0, 0, 30, 20});
  EXPECT_EQ(CountPixels(p.bitmap, RECT{10, 10, 30, 20}, kRed), 20 * 10);
  EXPECT_EQ(CountPixels(p.bitmap, RECT{0, 0, 60, 50}, kRed), 20 * 10);
  EXPECT_EQ(c.GetPaintRect(), (RECT{10, 10, 30, 20}));

  // A paint rectangle that misses the control paints nothing.
  Painted none;
  none.Paint(c, RECT{0, 0, 10, 10});
  EXPECT_EQ(CountPixels(none.bitmap, RECT{0, 0, 60, 50}, 0), 60 * 50);
}

TEST(ControlPaintTest, TranslucentBackgroundCoversTheWholeItem) {
  CControlUI c;
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetBkColor(0x80FF0000);
  Painted p;
  p.Paint(c, RECT{10, 10, 20, 20});
  const std::uint32_t expected = os::PremultiplyArgb(0x80FF0000);
  EXPECT_EQ(CountPixels(p.bitmap, RECT{10, 10, 50, 40}, expected), 40 * 30);
  EXPECT_EQ(p.bitmap.Pixel(9, 9), 0u);
}

// Colour channels of a pixel, for comparisons that allow for how finely the
// renderer steps its gradients.
struct Channels {
  int r, g, b;
  explicit Channels(std::uint32_t argb)
      : r(static_cast<int>(argb >> 16 & 0xFF)),
        g(static_cast<int>(argb >> 8 & 0xFF)),
        b(static_cast<int>(argb & 0xFF)) {}
};

TEST(ControlPaintTest, GradientsRunTopToBottom) {
  CControlUI two;
  two.SetPos(RECT{0, 0, 20, 32});
  two.SetBkColor(kRed);
  two.SetBkColor2(kBlue);
  Painted p;
  p.Paint(two);
  const Channels top(p.bitmap.Pixel(5, 0)), bottom(p.bitmap.Pixel(5, 31)), middle(p.bitmap.Pixel(5, 16));
  EXPECT_GT(top.r, 0xD8);
  EXPECT_LT(top.b, 0x28);
  EXPECT_GT(bottom.b, 0xD8);
  EXPECT_LT(bottom.r, 0x28);
  EXPECT_NEAR(middle.r, 0x80, 0x20);
  EXPECT_NEAR(middle.b, 0x80, 0x20);
  EXPECT_EQ(p.bitmap.Pixel(5, 20) >> 24, 0xFFu);  // opaque throughout

  // Three colours: the second one sits in the middle.
  CControlUI three;
  three.SetPos(RECT{0, 0, 20, 32});
  three.SetBkColor(kRed);
  three.SetBkColor2(kGreen);
  three.SetBkColor3(kBlue);
  Painted q;
  q.Paint(three);
  const Channels first(q.bitmap.Pixel(5, 0)), second(q.bitmap.Pixel(5, 15)), third(q.bitmap.Pixel(5, 31));
  EXPECT_GT(first.r, 0xC0);
  EXPECT_GT(second.g, 0xC0);
  EXPECT_LT(second.r + second.b, 0x40);
  EXPECT_GT(third.b, 0xC0);
  EXPECT_LT(third.g, 0x40);

  // The second colour alone does not start a gradient.
  CControlUI onlySecond;
  onlySecond.SetPos(RECT{0, 0, 20, 32});
  onlySecond.SetBkColor2(kBlue);
  Painted r;
  r.Paint(onlySecond);
  EXPECT_EQ(CountPixels(r.bitmap, RECT{0, 0, 60, 50}, 0), 60 * 50);
}

TEST(ControlPaintTest, BordersWholeFocusedAndPerSide) {
  CControlUI c;
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetBkColor(kGreen);
  c.SetAttribute(u"bordersize", u"2");
  c.SetAttribute(u"bordercolor", u"#FF0000FF");
  c.SetAttribute(u"focusbordercolor", u"#FFFF0000");
  Painted plain;
  plain.Paint(c);
  EXPECT_EQ(plain.bitmap.Pixel(10, 10), kBlue);
  EXPECT_EQ(plain.bitmap.Pixel(11, 20), kBlue);
  EXPECT_EQ(plain.bitmap.Pixel(49, 39), kBlue);
  EXPECT_EQ(plain.bitmap.Pixel(12, 12), kGreen);

  ControlEvent focus = MakeEvent(UIEvent::SetFocus);
  c.Event(focus);
  Painted focused;
  focused.Paint(c);
  EXPECT_EQ(focused.bitmap.Pixel(10, 10), kRed);
  EXPECT_EQ(focused.bitmap.Pixel(48, 20), kRed);

  CControlUI sides;
  sides.SetPos(RECT{10, 10, 50, 40});
  sides.SetAttribute(u"bordercolor", u"#FF0000FF");
  sides.SetAttribute(u"leftbordersize", u"1");
  sides.SetAttribute(u"bottombordersize", u"1");
  Painted s;
  s.Paint(sides);
  EXPECT_EQ(s.bitmap.Pixel(10, 20), kBlue);
  EXPECT_EQ(s.bitmap.Pixel(30, 10), 0u);  // no top line
  EXPECT_EQ(s.bitmap.Pixel(49, 20), 0u);  // no right line
  EXPECT_GT(CountPixels(s.bitmap, RECT{10, 38, 50, 41}, kBlue), 30);
}

TEST(ControlPaintTest, AnUnsetBorderColourDrawsNoFrame) {
  // Only a focus colour given: while not focused there is no border colour,
  // which must not come out as a black frame.
  CControlUI c;
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetAttribute(u"bordersize", u"1");
  c.SetAttribute(u"focusbordercolor", u"#FFFF0000");
  Painted p;
  p.Paint(c);
  EXPECT_EQ(CountPixels(p.bitmap, RECT{0, 0, 60, 50}, 0), 60 * 50);
}

TEST(ControlPaintTest, RoundedCornersClipTheBackground) {
  CControlUI c;
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetBkColor(kRed);
  c.SetBorderRound(SIZE{16, 16});
  Painted p;
  p.Paint(c);
  EXPECT_EQ(p.bitmap.Pixel(10, 10), 0u);
  EXPECT_EQ(p.bitmap.Pixel(49, 39), 0u);
  EXPECT_EQ(p.bitmap.Pixel(30, 10), kRed);
  EXPECT_EQ(p.bitmap.Pixel(30, 25), kRed);
}

TEST(ControlPaintTest, BackgroundImageIsStretchedOverTheItem) {
  testsupport::TempDir dir;
  const auto file = dir / "bk.png";
  testsupport::WriteFileBytes(file, controltest::SolidPng(4, 4, 0x00FF00));
  const std::u16string path = os::Utf8ToUtf16(file.string());

  UIManager manager;
  CControlUI c;
  c.SetOwner(&manager, nullptr, false);
  c.SetPos(RECT{10, 10, 50, 40});
  c.SetBkColor(kRed);
  c.SetBkImage(u"file='" + path + u"' dest='0,0,20,30'");
  Painted p;
  p.Paint(c);
  EXPECT_EQ(CountPixels(p.bitmap, RECT{10, 10, 30, 40}, kGreen), 20 * 30);
  EXPECT_EQ(CountPixels(p.bitmap, RECT{30, 10, 50, 40}, kRed), 20 * 30);

  // A missing file stays named (it is looked up again next time); without a
  // manager the image cannot be drawn at all and is dropped.
  c.SetBkImage(u"missing.png");
  p.Paint(c);
  EXPECT_EQ(c.GetBkImage(), u"missing.png");
  CControlUI loose;
  loose.SetPos(RECT{0, 0, 10, 10});
  loose.SetBkImage(path);
  Painted q;
  q.Paint(loose);
  EXPECT_EQ(loose.GetBkImage(), u"");
}

}  // namespace
}  // namespace Kesto
