// Containers: the child list and its ownership, insets, floating children,
// hit testing, scrolling and clipped painting.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/Container.h"
#include "controls/ScrollBar.h"
#include "platform/gfx/Canvas.h"
#include "platform/window/Messages.h"

namespace Kesto {
namespace {

using controltest::CountPixels;
using controltest::MakeEvent;

// A control that reports its own destruction.
CControlUI* Watched(bool& destroyed) {
  auto* c = new CControlUI();
  c->OnDestroy += [&destroyed](CControlUI&) {
    destroyed = true;
    return true;
  };
  return c;
}

TEST(ContainerItemsTest, AddInsertMoveAndRefuse) {
  CContainerUI box;
  auto* a = new CControlUI();
  auto* b = new CControlUI();
  auto* c = new CControlUI();
  EXPECT_FALSE(box.Add(nullptr));
  EXPECT_TRUE(box.Add(a));
  EXPECT_TRUE(box.Add(c));
  EXPECT_FALSE(box.AddAt(b, 3));
  EXPECT_FALSE(box.AddAt(b, -1));
  EXPECT_TRUE(box.AddAt(b, 1));
  ASSERT_EQ(box.GetCount(), 3);
  EXPECT_EQ(box.GetItemAt(0), a);
  EXPECT_EQ(box.GetItemAt(1), b);
  EXPECT_EQ(box.GetItemAt(2), c);
  EXPECT_EQ(box.GetItemAt(3), nullptr);
  EXPECT_EQ(box.GetItemIndex(c), 2);

  EXPECT_TRUE(box.SetItemIndex(c, 0));
  EXPECT_EQ(box.GetItemIndex(c), 0);
  EXPECT_EQ(box.GetItemIndex(a), 1);
  EXPECT_FALSE(box.SetItemIndex(c, 3));

  CControlUI stranger;
  EXPECT_FALSE(box.Remove(&stranger));
  EXPECT_FALSE(box.Remove(nullptr));
  EXPECT_FALSE(box.RemoveAt(5));
  EXPECT_EQ(box.GetInterface(u"IContainer"), static_cast<IContainerUI*>(&box));
  EXPECT_EQ(box.GetInterface(u"Container"), &box);
  EXPECT_EQ(box.GetInterface(u"Control"), static_cast<CControlUI*>(&box));
  EXPECT_EQ(box.GetClass(), u"ContainerUI");
}

// A child listed twice would be destroyed twice: the test flavour stops at
// the second Add.
TEST(ContainerItemsDeathTest, AddingAChildTwiceBreaksAnInvariant) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  CContainerUI container;
  auto* child = new CControlUI;
  ASSERT_TRUE(container.Add(child));
  EXPECT_DEATH(container.AddAt(child, 0), "assertion failed: .*added to its container once");
}

TEST(ContainerItemsTest, RemovalDestroysOwnedChildren) {
  bool first = false, second = false, kept = false;
  CContainerUI box;
  box.Add(Watched(first));
  box.Add(Watched(second));
  // Without a manager there is no delayed clean-up: deleted at once.
  EXPECT_TRUE(box.RemoveAt(0));
  EXPECT_TRUE(first);
  EXPECT_EQ(box.GetCount(), 1);

  CContainerUI shelf;
  shelf.SetAutoDestroy(false);
  CControlUI* survivor = Watched(kept);
  shelf.Add(survivor);
  shelf.RemoveAll();
  EXPECT_FALSE(kept);
  EXPECT_EQ(shelf.GetCount(), 0);
  delete survivor;
  EXPECT_TRUE(kept);

  box.RemoveAll();
  EXPECT_TRUE(second);
}

// autoDestroy decides when a child leaves, not when it came: a container
// switched to borrowing keeps its hands off children added before, through
// removal and its own destruction; switched back, it owns them again.
TEST(ContainerItemsTest, AutoDestroyDecidesAtRemovalAndDestruction) {
  bool lent = false, lentToo = false, owned = false;
  CControlUI* a = Watched(lent);
  CControlUI* b = Watched(lentToo);
  {
    CContainerUI shelf;
    shelf.Add(a);
    shelf.Add(b);
    shelf.SetAutoDestroy(false);
    EXPECT_TRUE(shelf.Remove(a));
    EXPECT_FALSE(lent);
  }  // the destructor lets b go too
  EXPECT_FALSE(lentToo);
  delete a;
  delete b;

  CContainerUI box;
  box.SetAutoDestroy(false);
  box.Add(Watched(owned));
  box.SetAutoDestroy(true);
  box.RemoveAll();
  EXPECT_TRUE(owned);
}

TEST(ContainerItemsTest, AdoptTakesTheControlAndARefusedOneIsDeleted) {
  bool taken = false, refused = false;
  CContainerUI box;
  auto child = std::unique_ptr<CControlUI>(Watched(taken));
  CControlUI* raw = child.get();
  EXPECT_TRUE(box.Adopt(std::move(child)));
  EXPECT_EQ(box.GetItemAt(0), raw);
  EXPECT_FALSE(box.AdoptAt(std::unique_ptr<CControlUI>(Watched(refused)), 5));
  EXPECT_TRUE(refused);
  EXPECT_EQ(box.GetCount(), 1);
  EXPECT_FALSE(box.Adopt(nullptr));
  EXPECT_FALSE(taken);
  box.RemoveAll();
  EXPECT_TRUE(taken);
}

TEST(ContainerItemsTest, DelayedDestroyGoesThroughTheManager) {
  bool removed = false;
  auto manager = std::make_unique<UIManager>();
  CContainerUI box;
  box.SetOwner(manager.get(), nullptr, false);
  box.Add(Watched(removed));
  box.RemoveAt(0);
  EXPECT_FALSE(removed);  // the manager destroys it later
  box.SetOwner(nullptr, nullptr, false);
  manager.reset();
  EXPECT_TRUE(removed);
}

TEST(ContainerItemsTest, DestroyingAContainerDestroysItsChildrenAtOnce) {
  // Even with a manager's delayed clean-up available, children must not
  // outlive the container they point to.
  bool child = false;
  UIManager manager;
  auto* box = new CContainerUI();
  box->SetOwner(&manager, nullptr, false);
  box->Add(Watched(child));
  delete box;
  EXPECT_TRUE(child);
}

TEST(ContainerItemsTest, HiddenContainerHidesWhatIsAdded) {
  CContainerUI box;
  box.SetVisible(false);
  auto* c = new CControlUI();
  box.Add(c);
  EXPECT_FALSE(c->IsVisible());
  box.SetVisible(true);
  EXPECT_TRUE(c->IsVisible());
  box.SetEnabled(false);
  EXPECT_FALSE(c->IsEnabled());
  box.SetInternVisible(false);
  EXPECT_FALSE(c->IsVisible());
}

// ---------------------------------------------------------------------------
// Placement

struct Placed {
  UIManager manager;
  CContainerUI box;
  Placed() { box.SetOwner(&manager, nullptr, false); }
  CControlUI* Add(std::u16string_view attributes) {
    auto* c = new CControlUI();
    box.Add(c);
    c->SetOwner(&manager, &box, false);
    c->ApplyAttributeList(attributes);
    return c;
  }
};

TEST(ContainerPlacementTest, ChildrenFillTheInnerRectangle) {
  Placed p;
  p.box.SetAttribute(u"inset", u"5,6,7,8");
  p.box.SetAttribute(u"childpadding", u"3");
  EXPECT_EQ(p.box.GetInset(), (RECT{5, 6, 7, 8}));
  EXPECT_EQ(p.box.GetChildPadding(), 3);
  CControlUI* a = p.Add(u"name=\"a\"");
  CControlUI* hidden = p.Add(u"visible=\"false\"");
  p.box.SetPos(RECT{100, 100, 300, 200});
  EXPECT_EQ(a->GetPos(), (RECT{105, 106, 293, 192}));
  EXPECT_EQ(hidden->GetPos(), (RECT{}));
}

TEST(ContainerPlacementTest, FloatingChildrenAnchorOnTheirPosition) {
  Placed p;
  p.box.SetAttribute(u"inset", u"5,5,5,5");
  CControlUI* topLeft = p.Add(u"float=\"true\" pos=\"10,20,50,30\"");
  // Starting at −10 anchors 10 pixels from the right and bottom edges.
  CControlUI* bottomRight = p.Add(u"float=\"true\" pos=\"-30,-40,-10,-20\"");
  p.box.SetPos(RECT{100, 100, 300, 200});
  // Floating positions count from item, not from the inner rectangle.
  EXPECT_EQ(topLeft->GetPos(), (RECT{110, 120, 150, 130}));
  EXPECT_EQ(bottomRight->GetPos(), (RECT{270, 160, 290, 180}));
  p.box.SetPos(RECT{0, 0, 400, 300});
  EXPECT_EQ(topLeft->GetPos(), (RECT{10, 20, 50, 30}));
  EXPECT_EQ(bottomRight->GetPos(), (RECT{370, 260, 390, 280}));
}

TEST(ContainerPlacementTest, RelativePositionsFollowTheContainersGrowth) {
  Placed p;
  CControlUI* c = p.Add(u"float=\"true\" pos=\"10,10,50,30\" relativepos=\"50,100,50,0\"");
  p.box.SetPos(RECT{0, 0, 200, 100});
  EXPECT_EQ(c->GetPos(), (RECT{10, 10, 50, 30}));  // first placement only remembers the size
  EXPECT_EQ(c->GetRelativePos().parentSize, (SIZE{200, 100}));
  // 100 wider, 50 taller: moved by half and all of that, widened by half.
  p.box.SetPos(RECT{0, 0, 300, 150});
  EXPECT_EQ(c->GetPos(), (RECT{60, 60, 150, 80}));
  EXPECT_EQ(c->GetRelativePos().parentSize, (SIZE{300, 150}));
  // Back to the first size: the same arithmetic undoes it.
  p.box.SetPos(RECT{0, 0, 200, 100});
  EXPECT_EQ(c->GetPos(), (RECT{10, 10, 50, 30}));
}

// ---------------------------------------------------------------------------
// Hit testing

CControlUI* Accept(CControlUI* c, void*) { return c; }

TEST(ContainerFindTest, HitTestsHonourOrderFlagsAndInsets) {
  Placed p;
  p.box.SetAttribute(u"inset", u"10,10,10,10");
  CControlUI* under = p.Add(u"name=\"under\"");
  CControlUI* over = p.Add(u"name=\"over\"");
  CControlUI* badge = p.Add(u"float=\"true\" pos=\"0,0,8,8\"");
  p.box.SetPos(RECT{0, 0, 100, 100});
  POINT mid{50, 50};
  EXPECT_EQ(p.box.FindControl(Accept, &mid, FindFlag::HitTest), under);
  EXPECT_EQ(p.box.FindControl(Accept, &mid, FindFlag::HitTest | FindFlag::TopFirst), over);
  EXPECT_EQ(p.box.FindControl(Accept, &mid, FindFlag::HitTest | FindFlag::MeFirst), &p.box);

  // In the inset a laid-out child does not count, a floating one does.
  under->SetPos(RECT{0, 0, 100, 100});
  over->SetPos(RECT{0, 0, 100, 100});
  POINT corner{4, 4};
  EXPECT_EQ(p.box.FindControl(Accept, &corner, FindFlag::HitTest), badge);
  POINT edge{95, 50};
  EXPECT_EQ(p.box.FindControl(Accept, &edge, FindFlag::HitTest), &p.box);

  // Hidden, disabled and mouse-blind children are passed over.
  under->SetVisible(false);
  over->SetEnabled(false);
  EXPECT_EQ(p.box.FindControl(Accept, &mid, FindFlag::HitTest | FindFlag::Visible | FindFlag::Enabled),
            &p.box);
  POINT outside{150, 50};
  EXPECT_EQ(p.box.FindControl(Accept, &outside, FindFlag::HitTest), nullptr);
}

TEST(ContainerFindTest, WithoutMouseChildrenTheContainerAnswers) {
  Placed p;
  p.Add(u"name=\"inner\"");
  p.box.SetAttribute(u"mousechild", u"false");
  p.box.SetPos(RECT{0, 0, 100, 100});
  POINT mid{50, 50};
  EXPECT_EQ(p.box.FindControl(Accept, &mid, FindFlag::HitTest), &p.box);
  // Searches that are not hit tests still see the children.
  std::vector<CControlUI*> seen;
  const auto collect = [](CControlUI* c, void* data) -> CControlUI* {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(c);
    return nullptr;
  };
  p.box.FindControl(collect, &seen, FindFlag::All);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen.back(), &p.box);  // the container last, without MeFirst
}

// ---------------------------------------------------------------------------
// Scrolling

// A container of 100×100 with content 300 high, laid out the way a layout
// does it: the children keep their own rectangles and the scroll bar takes
// the right edge.
struct Scrolled : Placed {
  CControlUI* first;
  CControlUI* second;
  CControlUI* floating;
  Scrolled() {
    box.SetAttribute(u"vscrollbar", u"true");
    box.SetAttribute(u"scrollstepsize", u"10");
    first = Add(u"name=\"first\"");
    second = Add(u"name=\"second\"");
    floating = Add(u"float=\"true\" pos=\"0,0,20,20\"");
    box.SetPos(RECT{0, 0, 100, 100});
    first->SetPos(RECT{0, 0, 84, 150});
    second->SetPos(RECT{0, 150, 84, 300});
    box.ProcessScrollBar(RECT{0, 0, 84, 100}, 0, 300);
  }
};

TEST(ContainerScrollTest, ProcessScrollBarPlacesAndSizesTheBar) {
  Scrolled s;
  CScrollBarUI* bar = s.box.GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetPos(), (RECT{84, 0, 100, 100}));
  EXPECT_EQ(s.box.GetScrollRange(), (SIZE{0, 200}));
  EXPECT_EQ(s.box.GetScrollPos(), (SIZE{0, 0}));
  EXPECT_EQ(bar->GetOwner(), &s.box);

  // Content that fits hides the bar and resets it.
  s.box.SetScrollPos(SIZE{0, 50});
  s.box.ProcessScrollBar(RECT{0, 0, 84, 100}, 0, 80);
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(bar->GetScrollRange(), 0);
  // Taller content shows it again from the top.
  s.box.ProcessScrollBar(RECT{0, 0, 84, 100}, 0, 250);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 150);
  EXPECT_EQ(bar->GetScrollPos(), 0);

  s.box.EnableScrollBar(false, false);
  EXPECT_EQ(s.box.GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(s.box.GetScrollRange(), (SIZE{0, 0}));
}

TEST(ContainerScrollTest, LinePageHomeAndEndMoveTheChildren) {
  Scrolled s;
  s.box.LineDown();
  EXPECT_EQ(s.box.GetScrollPos().cy, 10);
  EXPECT_EQ(s.first->GetPos(), (RECT{0, -10, 84, 140}));
  EXPECT_EQ(s.second->GetPos(), (RECT{0, 140, 84, 290}));
  // Floating children stay where they are.
  EXPECT_EQ(s.floating->GetPos(), (RECT{0, 0, 20, 20}));

  s.box.PageDown();  // a page is the item height: 100
  EXPECT_EQ(s.box.GetScrollPos().cy, 110);
  EXPECT_EQ(s.first->GetPos().top, -110);
  s.box.EndDown();
  EXPECT_EQ(s.box.GetScrollPos().cy, 200);
  s.box.PageDown();  // clamped: nothing moves
  EXPECT_EQ(s.first->GetPos().top, -200);
  s.box.LineUp();
  EXPECT_EQ(s.box.GetScrollPos().cy, 190);
  s.box.PageUp();
  EXPECT_EQ(s.box.GetScrollPos().cy, 90);
  s.box.HomeUp();
  EXPECT_EQ(s.box.GetScrollPos().cy, 0);
  EXPECT_EQ(s.first->GetPos(), (RECT{0, 0, 84, 150}));
}

// Keys and the wheel scroll along the bar that is usable; both axes share the
// key map and the arithmetic (a step size of 10, a page the view's length).
class ContainerKeyScrollTest : public ::testing::TestWithParam<LayoutAxis> {
 protected:
  LayoutAxis axis() const { return GetParam(); }
  ContainerKeyScrollTest() {
    p.box.EnableScrollBar(!axis().IsHorizontal(), axis().IsHorizontal());
    p.box.SetScrollStepSize(10);
    content = p.Add(u"");
    p.box.SetPos(RECT{0, 0, 100, 100});
    content->SetPos(axis().MakeRect(0, 0, 300, 84));
    bar()->SetScrollRange(200);
  }
  CScrollBarUI* bar() const {
    return axis().IsHorizontal() ? p.box.GetHorizontalScrollBar() : p.box.GetVerticalScrollBar();
  }
  int Send(ControlEvent e) {
    p.box.DoEvent(e);
    return axis().Main(p.box.GetScrollPos());
  }
  int Key(char16_t vk) { return Send(MakeEvent(UIEvent::KeyDown, {}, 0, vk)); }
  int Wheel(int towardsUser) { return Send(MakeEvent(UIEvent::ScrollWheel, {50, 50}, towardsUser)); }

  Placed p;
  CControlUI* content = nullptr;
};

TEST_P(ContainerKeyScrollTest, KeysAndWheelStepPageAndJumpAlongTheBar) {
  ASSERT_NE(bar(), nullptr);
  EXPECT_EQ(bar()->IsHorizontal(), axis().IsHorizontal());
  EXPECT_EQ(Wheel(1), 10);
  EXPECT_EQ(axis().Near(content->GetPos()), -10);
  EXPECT_EQ(Wheel(0), 0);
  EXPECT_EQ(Key(os::VK_DOWN), 10);
  EXPECT_EQ(Key(os::VK_NEXT), 110);
  EXPECT_EQ(Key(os::VK_END), 200);
  EXPECT_EQ(Key(os::VK_NEXT), 200);  // held at the range
  EXPECT_EQ(Key(os::VK_UP), 190);
  EXPECT_EQ(Key(os::VK_PRIOR), 90);
  EXPECT_EQ(Key(os::VK_HOME), 0);
  EXPECT_EQ(Key(u'A'), 0);  // other keys do not scroll
  EXPECT_EQ(axis().CrossOf(p.box.GetScrollPos()), 0);

  // A disabled bar leaves keys and wheel alone.
  bar()->SetEnabled(false);
  EXPECT_EQ(Wheel(1), 0);
  EXPECT_EQ(Key(os::VK_END), 0);
}

// Without a step size a line is 8 pixels; a vertical line in a window is a
// line of its default font plus 8.
TEST_P(ContainerKeyScrollTest, WithoutAStepSizeALineIsEightPixelsOrATextLine) {
  CContainerUI bare;
  bare.EnableScrollBar(!axis().IsHorizontal(), axis().IsHorizontal());
  auto* c = new CControlUI();
  bare.Add(c);
  bare.SetPos(RECT{0, 0, 100, 100});
  c->SetPos(axis().MakeRect(0, 0, 300, 84));
  CScrollBarUI* b = axis().IsHorizontal() ? bare.GetHorizontalScrollBar() : bare.GetVerticalScrollBar();
  b->SetScrollRange(200);
  ControlEvent down = MakeEvent(UIEvent::KeyDown, {}, 0, os::VK_DOWN);
  bare.DoEvent(down);
  EXPECT_EQ(axis().Main(bare.GetScrollPos()), 8);

  p.box.SetScrollStepSize(0);  // refused: the step stays 10
  EXPECT_EQ(Key(os::VK_DOWN), 10);
  Placed windowed;
  windowed.box.EnableScrollBar(!axis().IsHorizontal(), axis().IsHorizontal());
  windowed.Add(u"")->SetPos(axis().MakeRect(0, 0, 300, 84));
  windowed.box.SetPos(RECT{0, 0, 100, 100});
  (axis().IsHorizontal() ? windowed.box.GetHorizontalScrollBar() : windowed.box.GetVerticalScrollBar())
      ->SetScrollRange(200);
  windowed.box.DoEvent(down);
  const int textLine = windowed.manager.DefaultFont()->Metrics().height;
  ASSERT_GT(textLine, 0);
  EXPECT_EQ(axis().Main(windowed.box.GetScrollPos()), axis().IsHorizontal() ? 8 : textLine + 8);
}

INSTANTIATE_TEST_SUITE_P(Axes, ContainerKeyScrollTest,
                         ::testing::Values(LayoutAxis::Horizontal(), LayoutAxis::Vertical()),
                         [](const ::testing::TestParamInfo<LayoutAxis>& info) {
                           return std::string(info.param.IsHorizontal() ? "Horizontal" : "Vertical");
                         });

TEST(ContainerScrollTest, TheVerticalBarTakesTheKeysBeforeTheHorizontalOne) {
  Placed p;
  p.box.EnableScrollBar(true, true);
  CControlUI* content = p.Add(u"");
  p.box.SetPos(RECT{0, 0, 100, 100});
  content->SetPos(RECT{0, 0, 300, 300});
  p.box.GetVerticalScrollBar()->SetScrollRange(200);
  p.box.GetHorizontalScrollBar()->SetScrollRange(200);
  p.box.SetScrollStepSize(10);
  ControlEvent down = MakeEvent(UIEvent::KeyDown, {}, 0, os::VK_DOWN);
  p.box.DoEvent(down);
  EXPECT_EQ(p.box.GetScrollPos(), (SIZE{0, 10}));
  p.box.GetVerticalScrollBar()->SetVisible(false);
  p.box.DoEvent(down);
  EXPECT_EQ(p.box.GetScrollPos(), (SIZE{10, 0}));
  // Pages across a visible bar are shorter by its thickness.
  p.box.GetVerticalScrollBar()->SetVisible(true);
  p.box.PageRight();
  EXPECT_EQ(p.box.GetScrollPos().cx, 10 + 100 - p.box.GetVerticalScrollBar()->GetFixedWidth());
  p.box.PageDown();
  EXPECT_EQ(p.box.GetScrollPos().cy, 10 + 100 - p.box.GetHorizontalScrollBar()->GetFixedHeight());
}

TEST(ContainerScrollTest, MouseBlindContainerHandsMouseEventsToItsParent) {
  struct Log : CContainerUI {
    void DoEvent(ControlEvent& e) override { types.push_back(e.type); }
    std::vector<int> types;
  } parent;
  Scrolled s;
  s.box.SetOwner(&s.manager, &parent, false);
  s.box.SetMouseEnabled(false);
  EXPECT_FALSE(s.box.GetVerticalScrollBar()->IsMouseEnabled());
  ControlEvent wheel = MakeEvent(UIEvent::ScrollWheel, {}, 1);
  s.box.DoEvent(wheel);
  EXPECT_EQ(s.box.GetScrollPos().cy, 0);
  EXPECT_EQ(parent.types, (std::vector<int>{UIEvent::ScrollWheel}));
}

TEST(ContainerScrollTest, DefaultListsStyleNewScrollBars) {
  UIManager manager;
  manager.AddDefaultAttributes(u"VScrollBar", u"width=\"10\" linesize=\"3\"");
  CContainerUI box;
  box.SetOwner(&manager, nullptr, false);
  box.SetAttribute(u"vscrollbarstyle", u"showbutton1=\"false\"");
  CScrollBarUI* bar = box.GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetFixedWidth(), 10);
  EXPECT_EQ(bar->GetLineSize(), 3);
  EXPECT_FALSE(bar->GetShowButton1());
  EXPECT_EQ(bar->GetParent(), &box);
  EXPECT_EQ(bar->GetManager(), &manager);
}

// ---------------------------------------------------------------------------
// Painting

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;

TEST(ContainerPaintTest, ChildrenAreClippedToTheInnerRectangleFloatersToTheItem) {
  Placed p;
  p.box.SetAttribute(u"inset", u"10,10,10,10");
  p.box.SetBkColor(kGreen);
  CControlUI* child = p.Add(u"bkcolor=\"#FFFF0000\"");
  CControlUI* badge = p.Add(u"float=\"true\" pos=\"0,0,8,8\" bkcolor=\"#FF0000FF\"");
  p.box.SetPos(RECT{0, 0, 60, 50});
  child->SetPos(RECT{0, 0, 70, 50});  // reaching past the inset and the item
  os::Bitmap bitmap(80, 60);
  {
    os::Canvas canvas(bitmap);
    p.box.DoPaint(canvas, RECT{0, 0, 80, 60});
    EXPECT_EQ(canvas.ClipDepth(), 0u);
  }
  EXPECT_EQ(CountPixels(bitmap, RECT{10, 10, 50, 40}, kRed), 40 * 30);
  EXPECT_EQ(CountPixels(bitmap, RECT{0, 0, 80, 60}, kRed), 40 * 30);
  EXPECT_EQ(CountPixels(bitmap, RECT{0, 0, 8, 8}, kBlue), 64);
  EXPECT_EQ(bitmap.Pixel(55, 45), kGreen);
  EXPECT_EQ(bitmap.Pixel(65, 20), 0u);
  EXPECT_TRUE(badge->IsFloat());

  // A paint rectangle inside the inset paints only what floats there.
  os::Bitmap border(80, 60);
  {
    os::Canvas canvas(border);
    p.box.DoPaint(canvas, RECT{0, 0, 10, 10});
  }
  EXPECT_EQ(CountPixels(border, RECT{0, 0, 8, 8}, kBlue), 64);
  EXPECT_EQ(CountPixels(border, RECT{0, 0, 80, 60}, kRed), 0);
}

TEST(ContainerPaintTest, HiddenChildrenAreNotPainted) {
  Placed p;
  CControlUI* child = p.Add(u"bkcolor=\"#FFFF0000\" visible=\"false\"");
  p.box.SetPos(RECT{0, 0, 60, 50});
  child->SetPos(RECT{0, 0, 60, 50});
  os::Bitmap bitmap(60, 50);
  os::Canvas canvas(bitmap);
  p.box.DoPaint(canvas, RECT{0, 0, 60, 50});
  EXPECT_EQ(CountPixels(bitmap, RECT{0, 0, 60, 50}, kRed), 0);
}

}  // namespace
}  // namespace Kesto
