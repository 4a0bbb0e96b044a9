// The skin builder: control registry, shared tables, defaults, construction order,
// includes, tree nodes and the ways a build fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/ScrollBar.h"
#include "platform/base/Unicode.h"
#include "platform/headless/Headless.h"
#include "platform/window/Messages.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "testsupport/SkinFolder.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using testsupport::SkinFolder;

CControlUI* Child(CControlUI* c, int i) {
  auto* box = static_cast<IContainerUI*>(c->GetInterface(u"IContainer"));
  return box != nullptr ? box->GetItemAt(i) : nullptr;
}

int Count(CControlUI* c) {
  auto* box = static_cast<IContainerUI*>(c->GetInterface(u"IContainer"));
  return box != nullptr ? box->GetCount() : -1;
}

TEST(SkinBuilderClassesTest, TagsAreLookedUpExactly) {
  const ControlRegistry& registry = ControlRegistry::Instance();
  EXPECT_NE(registry.Find(u"Container"), nullptr);
  EXPECT_NE(registry.Find(u"HorizontalLayout"), nullptr);
  EXPECT_EQ(registry.Find(u"container"), nullptr);
  EXPECT_EQ(registry.Find(u"Containe"), nullptr);
  EXPECT_EQ(registry.Find(u"Window"), nullptr);
  EXPECT_EQ(registry.Find(u""), nullptr);

  const std::unique_ptr<CControlUI> control(SkinBuilder::CreateControl(u"Control"));
  const std::unique_ptr<CControlUI> container(SkinBuilder::CreateControl(u"Container"));
  const std::unique_ptr<CControlUI> bar(SkinBuilder::CreateControl(u"ScrollBar"));
  ASSERT_TRUE(control && container && bar);
  EXPECT_EQ(control->GetClass(), u"ControlUI");
  EXPECT_EQ(container->GetClass(), u"ContainerUI");
  EXPECT_EQ(bar->GetClass(), u"ScrollBarUI");
  EXPECT_EQ(SkinBuilder::CreateControl(u"Nothing"), nullptr);
}

// Every class the framework's own files register answers a class name that is
// its tag with the "UI" suffix, so a tag cannot silently make another class.
TEST(SkinBuilderClassesTest, EveryRegisteredTagMakesItsOwnClass) {
  const std::vector<std::u16string> tags = ControlRegistry::Instance().Tags();
  EXPECT_GE(tags.size(), 16u);
  for (const std::u16string& tag : tags) {
    const std::unique_ptr<CControlUI> control(SkinBuilder::CreateControl(tag));
    ASSERT_NE(control, nullptr) << os::Utf16ToUtf8(tag);
    EXPECT_EQ(control->GetClass(), tag + u"UI") << os::Utf16ToUtf8(tag);
  }
}

class Marker : public CControlUI {
 public:
  std::u16string_view GetClass() const override { return u"MarkerUI"; }
};
class OtherMarker : public CControlUI {
 public:
  std::u16string_view GetClass() const override { return u"OtherMarkerUI"; }
};

TEST(SkinBuilderClassesTest, RegistrationIsFirstComeAndRefusesNonsense) {
  ControlRegistry registry;
  EXPECT_EQ(registry.Register(u"Marker", &detail::MakeControl<Marker>), Registration::Added);
  EXPECT_EQ(registry.Register(u"Marker", &detail::MakeControl<OtherMarker>), Registration::Duplicate);
  EXPECT_EQ(registry.Register(u"", &detail::MakeControl<Marker>), Registration::Invalid);
  EXPECT_EQ(registry.Register(u"Null", nullptr), Registration::Invalid);
  const std::unique_ptr<CControlUI> made(registry.Create(u"Marker"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetClass(), u"MarkerUI");
  EXPECT_EQ(registry.Create(u"Null"), nullptr);
  EXPECT_EQ(registry.Tags(), std::vector<std::u16string>{u"Marker"});

  TreeNodeSupport partial;
  partial.create = &detail::MakeControl<Marker>;
  EXPECT_EQ(registry.SetTreeNodeSupport(partial), Registration::Invalid);
  EXPECT_EQ(registry.TreeNodes().create, nullptr);
}

// A tag the registry does not know goes to the callback; one it knows never does.
class CountingCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(std::u16string_view tag) override {
    asked.emplace_back(tag);
    return tag == u"Marker" ? new Marker() : nullptr;
  }
  std::vector<std::u16string> asked;
};

TEST(SkinBuilderClassesTest, UnregisteredTagsGoToTheCallback) {
  CountingCallback callback;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(
      builder.Build(u"<Window><Container><Marker name=\"m\"/><Label/><Nobody/></Container></Window>",
                    std::nullopt, &callback));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(callback.asked, (std::vector<std::u16string>{u"Marker", u"Nobody"}));
  ASSERT_EQ(Count(root.get()), 2);
  EXPECT_EQ(Child(root.get(), 0)->GetClass(), u"MarkerUI");
  EXPECT_EQ(Child(root.get(), 1)->GetClass(), u"LabelUI");
}

std::u16string Nested(int levels) {
  std::u16string text = u"<Window>";
  for (int i = 0; i < levels; ++i) text += u"<Container>";
  for (int i = 0; i < levels; ++i) text += u"</Container>";
  return text + u"</Window>";
}

// A deeply nested skin is refused whole instead of exhausting the stack while
// it is built, laid out or painted; the deepest allowed one still builds.
TEST(SkinBuilderTest, NestingHasAFloor) {
  SkinBuilder allowed;
  std::unique_ptr<CControlUI> root(allowed.Build(Nested(SkinBuilder::kMaxNestingDepth)));
  EXPECT_NE(root, nullptr);
  SkinBuilder refused;
  EXPECT_EQ(refused.Build(Nested(SkinBuilder::kMaxNestingDepth + 1)), nullptr);
  EXPECT_EQ(refused.LastErrorMessage(), u"Elements nested too deeply");
  SkinBuilder hostile;
  EXPECT_EQ(hostile.Build(Nested(200000)), nullptr);
}

constexpr char16_t kSkin[] =
    uR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200">
  <Font name="Tahoma" size="14" bold="true" default="true"/>
  <Font name="Arial" bold="True"/>
  <Font size="20"/>
  <Default name="Control" value="bkcolor=&quot;#FF0000FF&quot; text=&quot;B&quot;"/>
  <Default name="Control" value="text=&quot;C&quot;"/>
  <Default name="VScrollBar" value="width=&quot;12&quot;"/>
  <Container name="root" inset="10,10,10,10" vscrollbar="true">
    <Container name="left" float="true" pos="0,0,50,50" inset="5,5,5,5">
      <Control name="a" text="A"/>
      <Control name="b"/>
    </Container>
    <Control name="badge" float="true" pos="-30,5,-10,25"/>
    <Unknown name="u"><Control name="lost"/></Unknown>
    <Font name="ignored here"/>
  </Container>
</Window>)";

TEST(SkinBuilderTest, BuildsTheTreeWithDefaultsBeforeOwnAttributes) {
  UIManager manager;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(kSkin, std::nullopt, nullptr, &manager, nullptr));
  ASSERT_NE(root, nullptr) << os::Utf16ToUtf8(builder.LastErrorMessage());
  EXPECT_EQ(root->GetName(), u"root");
  ASSERT_EQ(Count(root.get()), 2);  // the unknown element and all inside it are skipped
  CControlUI* left = Child(root.get(), 0);
  CControlUI* badge = Child(root.get(), 1);
  EXPECT_EQ(left->GetName(), u"left");
  EXPECT_EQ(badge->GetName(), u"badge");
  ASSERT_EQ(Count(left), 2);
  CControlUI* a = Child(left, 0);
  CControlUI* b = Child(left, 1);
  // Own attributes win over the default list; the first list for a tag stays.
  EXPECT_EQ(a->GetText(), u"A");
  EXPECT_EQ(b->GetText(), u"B");
  EXPECT_EQ(a->GetBkColor(), 0xFF0000FFu);
  // Defaults are per tag: containers did not get the Control list.
  EXPECT_EQ(root->GetBkColor(), 0u);
  ASSERT_NE(manager.DefaultAttributesFor(u"Control"), nullptr);
  EXPECT_EQ(*manager.DefaultAttributesFor(u"Control"), u"bkcolor=\"#FF0000FF\" text=\"B\"");

  // The scroll bar the container made took the manager's default list.
  auto* box = static_cast<CContainerUI*>(root->GetInterface(u"Container"));
  ASSERT_NE(box->GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(box->GetVerticalScrollBar()->GetFixedWidth(), 12);

  // Controls are left detached; attaching places them.
  EXPECT_EQ(root->GetManager(), nullptr);
  root->SetOwner(&manager, nullptr, true);
  root->SetPos(RECT{0, 0, 300, 200});
  EXPECT_EQ(left->GetPos(), (RECT{0, 0, 50, 50}));
  EXPECT_EQ(a->GetPos(), (RECT{5, 5, 45, 45}));
  EXPECT_EQ(badge->GetPos(), (RECT{270, 5, 290, 25}));
}

TEST(SkinBuilderTest, FontsOfTheRootGoToTheManager) {
  UIManager manager;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(kSkin, std::nullopt, nullptr, &manager, nullptr));
  ASSERT_NE(root, nullptr);
  // A Font without a name adds nothing; one without a size is 12 pixels;
  // "True" is not true.
  ASSERT_EQ(manager.FontCount(), 2u);
  EXPECT_EQ(manager.FontAt(0)->faceName, u"Tahoma");
  EXPECT_EQ(manager.FontAt(0)->size, 14);
  EXPECT_TRUE(manager.FontAt(0)->bold);
  EXPECT_EQ(manager.FontAt(1)->faceName, u"Arial");
  EXPECT_EQ(manager.FontAt(1)->size, 12);
  EXPECT_FALSE(manager.FontAt(1)->bold);
  EXPECT_EQ(manager.DefaultFont()->faceName, u"Tahoma");
  EXPECT_EQ(manager.DefaultFont()->size, 14);
}

TEST(SkinBuilderTest, WithoutManagerOnlyTheTreeIsBuilt) {
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(kSkin));
  ASSERT_NE(root, nullptr);
  CControlUI* b = Child(Child(root.get(), 0), 1);
  EXPECT_EQ(b->GetName(), u"b");
  EXPECT_EQ(b->GetText(), u"");  // no default lists without a manager
  auto* box = static_cast<CContainerUI*>(root->GetInterface(u"Container"));
  ASSERT_NE(box->GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(box->GetVerticalScrollBar()->GetFixedWidth(), 16);
}

TEST(SkinBuilderTest, TheRootIsNeverAControl) {
  SkinBuilder builder;
  std::unique_ptr<CControlUI> first(builder.Build(u"<Control name=\"root\"><Control name=\"x\"/></Control>"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetName(), u"x");
}

// Records, for the construction order, when children join and when
// attributes arrive.
class Probe : public CContainerUI {
 public:
  explicit Probe(std::vector<std::string>& log) : log_(log) {}
  bool AddAt(CControlUI* control, int index) override {
    log_.push_back("add:" + os::Utf16ToUtf8(control->GetName()));
    return CContainerUI::AddAt(control, index);
  }
  void SetAttribute(std::u16string_view name, std::u16string_view value) override {
    if (name == u"name") log_.push_back("named:" + os::Utf16ToUtf8(value) + ":" + std::to_string(GetCount()));
    CContainerUI::SetAttribute(name, value);
  }

 private:
  std::vector<std::string>& log_;
};

class Callback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(std::u16string_view tag) override {
    asked.emplace_back(tag);
    if (tag == u"Probe") return new Probe(log);
    if (tag == u"Leaf") {
      auto* leaf = new CControlUI();
      leaf->OnDestroy += [this](CControlUI&) {
        ++destroyed;
        return true;
      };
      return leaf;
    }
    return nullptr;
  }
  std::vector<std::u16string> asked;
  std::vector<std::string> log;
  int destroyed = 0;
};

TEST(SkinBuilderTest, ChildrenAreBuiltAndAddedBeforeTheirParentGetsAttributes) {
  Callback callback;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(
      builder.Build(u"<Window><Probe name=\"outer\"><Probe name=\"inner\"/><Skipped/></Probe></Window>",
                    std::nullopt, &callback));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(callback.log, (std::vector<std::string>{"add:", "named:inner:0", "named:outer:1"}));
  EXPECT_EQ(callback.asked, (std::vector<std::u16string>{u"Probe", u"Probe", u"Skipped"}));
}

TEST(SkinBuilderTest, AParentThatCannotHoldChildrenFailsTheBuild) {
  Callback callback;
  CContainerUI host;
  SkinBuilder builder;
  CControlUI* result = builder.Build(
      u"<Window><Leaf name=\"kept\"/><Control name=\"c\"><Leaf/><Leaf/></Control><Leaf/></Window>",
      std::nullopt, &callback, nullptr, &host);
  EXPECT_EQ(result, nullptr);
  // What joined the host before stays there; the refused leaf is destroyed
  // and nothing after the failure is built.
  ASSERT_EQ(host.GetCount(), 1);
  EXPECT_EQ(host.GetItemAt(0)->GetName(), u"kept");
  EXPECT_EQ(callback.destroyed, 1);

  // At the top level without a parent, the control built so far goes too.
  Callback alone;
  SkinBuilder second;
  EXPECT_EQ(second.Build(u"<Window><Leaf/><Control><Leaf/></Control></Window>", std::nullopt, &alone),
            nullptr);
  EXPECT_EQ(alone.destroyed, 2);
}

TEST(SkinBuilderTest, ExtraTopLevelControlsWithoutParentAreNotLeaked) {
  Callback callback;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> first(
      builder.Build(u"<Window><Leaf name=\"one\"/><Leaf name=\"two\"/></Window>", std::nullopt, &callback));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetName(), u"one");
  EXPECT_EQ(callback.destroyed, 1);
}

// BuildTree hands the caller the first top-level control; Build into a
// parent only points at what the parent now holds.
TEST(SkinBuilderTest, ATreeBuiltWithoutParentIsTheCallersWithOneTheParents) {
  Callback callback;
  SkinBuilder builder;
  std::unique_ptr<CControlUI> tree = builder.BuildTree(
      u"<Window><Leaf name=\"one\"/><Leaf name=\"two\"/></Window>", std::nullopt, &callback);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->GetName(), u"one");
  EXPECT_EQ(callback.destroyed, 1);
  tree.reset();
  EXPECT_EQ(callback.destroyed, 2);
  EXPECT_EQ(builder.BuildTree(u"<Window><Control></Window>"), nullptr);

  CContainerUI host;
  CControlUI* first =
      builder.Build(u"<Window><Leaf name=\"in\"/></Window>", std::nullopt, &callback, nullptr, &host);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(host.GetItemAt(0), first);
  host.RemoveAll();
  EXPECT_EQ(callback.destroyed, 3);
}

TEST(SkinBuilderTest, UnloadableSkinsGiveNull) {
  SkinFolder folder;
  SkinBuilder builder;
  EXPECT_EQ(builder.Build(u"<Window><Control></Window>"), nullptr);
  EXPECT_FALSE(builder.LastErrorMessage().empty());
  EXPECT_EQ(builder.Build(u"no-such-skin.xml"), nullptr);
  EXPECT_FALSE(builder.LastErrorMessage().empty());
  EXPECT_EQ(builder.Build(u""), nullptr);
  EXPECT_EQ(builder.Build(0x10000, u"XML"), nullptr);
}

TEST(SkinBuilderIncludeTest, CountRepeatsTheIncludedSkin) {
  SkinFolder folder;
  folder.Write("part.xml", "<Window><Control name=\"piece\"/></Window>");
  folder.Write("main.xml",
               "<Window><Container name=\"host\">"
               "<Include source=\"part.xml\" count=\"3\"/>"
               "<Include/>"
               "<Control name=\"own\"/>"
               "</Container></Window>");
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(u"main.xml"));
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(Count(root.get()), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Child(root.get(), i)->GetName(), u"piece");
  EXPECT_EQ(Child(root.get(), 3)->GetName(), u"own");

  // Included controls never count as the level's first control.
  folder.Write("top.xml", "<Window><Include source=\"part.xml\"/><Control name=\"mine\"/></Window>");
  CContainerUI host;
  SkinBuilder second;
  CControlUI* first = second.Build(u"top.xml", std::nullopt, nullptr, nullptr, &host);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetName(), u"mine");
  EXPECT_EQ(host.GetCount(), 2);
}

TEST(SkinBuilderIncludeTest, ASkinIncludingItselfEnds) {
  SkinFolder folder;
  folder.Write("self.xml", "<Window><Control/><Include source=\"self.xml\"/></Window>");
  CContainerUI host;
  SkinBuilder builder;
  EXPECT_NE(builder.Build(u"self.xml", std::nullopt, nullptr, nullptr, &host), nullptr);
  EXPECT_EQ(host.GetCount(), SkinBuilder::kMaxIncludeDepth + 1);
}

TEST(SkinBuilderIncludeTest, ResourceSkinsIncludeResourcesOfTheSameType) {
  static const std::string outer =
      "<Window><Container name=\"box\"><Include source=\"302\" count=\"2\"/></Container></Window>";
  static const std::string inner = "<Window><Control name=\"from-resource\"/></Window>";
  os::RegisterResource(nullptr, 301, u"SKINXML", outer.data(), outer.size());
  os::RegisterResource(nullptr, 302, u"SKINXML", inner.data(), inner.size());
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(301, os::ResourceName(u"SKINXML")));
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(Count(root.get()), 2);
  EXPECT_EQ(Child(root.get(), 1)->GetName(), u"from-resource");
  // An identifier needs its type; a missing resource gives nothing.
  EXPECT_EQ(builder.Build(301), nullptr);
  EXPECT_EQ(builder.Build(303, os::ResourceName(u"SKINXML")), nullptr);
  os::UnregisterResource(nullptr, 301, u"SKINXML");
  os::UnregisterResource(nullptr, 302, u"SKINXML");
}

// A stand-in tree: views and nodes are containers answering their interface.
class FakeTree : public CContainerUI {
 public:
  explicit FakeTree(std::u16string_view kind) : kind_(kind) {}
  void* GetInterface(std::u16string_view name) override {
    if (name == kind_) return this;
    return CContainerUI::GetInterface(name);
  }

 private:
  std::u16string kind_;
};

TreeNodeSupport FakeTreeSupport() {
  TreeNodeSupport tree;
  tree.create = []() -> CControlUI* { return new FakeTree(u"TreeNode"); };
  tree.addToNode = [](void* node, CControlUI* child) { return static_cast<FakeTree*>(node)->Add(child); };
  tree.addToView = [](void* view, CControlUI* node) { return static_cast<FakeTree*>(view)->Add(node); };
  return tree;
}

class TreeCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(std::u16string_view tag) override {
    return tag == u"Tree" ? new FakeTree(u"TreeView") : nullptr;
  }
};

TEST(SkinBuilderTreeTest, NodesHangIntoNodesAndViews) {
  UIManager manager;
  manager.AddDefaultAttributes(u"TreeNode", u"text=\"default\" userdata=\"d\"");
  TreeCallback callback;
  SkinBuilder builder;
  builder.SetTreeNodeSupport(FakeTreeSupport());
  std::unique_ptr<CControlUI> tree(builder.Build(
      u"<Window><Tree><TreeNode text=\"n1\"><TreeNode/><Control name=\"inside\"/></TreeNode></Tree></Window>",
      std::nullopt, &callback, &manager));
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(Count(tree.get()), 1);
  CControlUI* n1 = Child(tree.get(), 0);
  EXPECT_EQ(n1->GetText(), u"n1");
  EXPECT_EQ(n1->GetUserData(), u"d");
  ASSERT_EQ(Count(n1), 2);
  EXPECT_EQ(Child(n1, 0)->GetText(), u"default");
  EXPECT_EQ(Child(n1, 1)->GetName(), u"inside");
}

TEST(SkinBuilderTreeTest, NodesOutsideATreeFailTheBuild) {
  TreeCallback callback;
  SkinBuilder builder;
  builder.SetTreeNodeSupport(FakeTreeSupport());
  EXPECT_EQ(builder.Build(u"<Window><Container><TreeNode/></Container></Window>", std::nullopt, &callback),
            nullptr);
  // With no parent at all there is nothing to hang a node on.
  EXPECT_EQ(builder.Build(u"<Window><TreeNode/><Control/></Window>", std::nullopt, &callback), nullptr);
  // A builder without tree classes passes nodes over (the library's own tree
  // classes register theirs, so this one is told to have none).
  SkinBuilder plain;
  plain.SetTreeNodeSupport(TreeNodeSupport{});
  std::unique_ptr<CControlUI> box(plain.Build(u"<Window><Container><TreeNode/></Container></Window>"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Count(box.get()), 0);
}

// ---------------------------------------------------------------------------
// Window settings

// A plain top-level window of the headless backend.
class TestWindow {
 public:
  TestWindow() {
    os::headless::Reset();
    os::WNDCLASSEXW wc;
    wc.lpfnWndProc = os::DefWindowProc;
    wc.lpszClassName = u"SkinBuilderTest";
    os::RegisterClassEx(&wc);
    hwnd_ = os::CreateWindowEx(0, u"SkinBuilderTest", u"test", os::WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
  }
  ~TestWindow() { os::DestroyWindow(hwnd_); }
  os::HWND hwnd() const { return hwnd_; }

 private:
  os::HWND hwnd_ = nullptr;
};

TEST(SkinBuilderWindowTest, RootAttributesConfigureTheManager) {
  TestWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  UIManager manager;
  manager.Init(window.hwnd());
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(
      u"<Window size=\"640 480\" sizebox=\"4,5,6,7\" caption=\"0,0,0,30\" roundcorner=\"3;3\" "
      u"mininfo=\"320,240\" maxinfo=\"1280,960\" bktrans=\"true\" gdiplustext=\"true\" "
      u"defaultfontcolor=\"#FF102030\" disabledfontcolor=\"FF405060\" linkfontcolor=\"#FF0000AA\" "
      u"linkhoverfontcolor=\"#FF0000BB\" selectedcolor=\"#FF0000CC\" "
      u"shadowsize=\"6\" shadowsharpness=\"7\" shadowdarkness=\"200\" shadowposition=\"1,2\" "
      u"shadowcolor=\"#FF333333\" shadowcorner=\"1,2,3,4\" shadowimage=\"shadow.png\" showshadow=\"true\" "
      u"unknown=\"1\"><Control/></Window>",
      std::nullopt, nullptr, &manager));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(manager.InitialSize(), (SIZE{640, 480}));
  EXPECT_EQ(manager.SizingBorder(), (RECT{4, 5, 6, 7}));
  EXPECT_EQ(manager.CaptionArea(), (RECT{0, 0, 0, 30}));
  EXPECT_EQ(manager.CornerRound(), (SIZE{3, 3}));
  EXPECT_EQ(manager.MinTrackSize(), (SIZE{320, 240}));
  EXPECT_EQ(manager.MaxTrackSize(), (SIZE{1280, 960}));
  EXPECT_TRUE(manager.IsLayeredBackground());
  EXPECT_TRUE(manager.IsGdiplusText());
  EXPECT_EQ(manager.DefaultFontColor(), 0xFF102030u);
  EXPECT_EQ(manager.DefaultDisabledColor(), 0xFF405060u);
  EXPECT_EQ(manager.DefaultLinkFontColor(), 0xFF0000AAu);
  EXPECT_EQ(manager.DefaultLinkHoverFontColor(), 0xFF0000BBu);
  EXPECT_EQ(manager.DefaultSelectedBkColor(), 0xFF0000CCu);
  const CShadowUI& shadow = manager.Shadow();
  EXPECT_EQ(shadow.GetSize(), 6);
  EXPECT_EQ(shadow.GetSharpness(), 7u);
  EXPECT_EQ(shadow.GetDarkness(), 200u);
  EXPECT_EQ(shadow.GetPosition(), (POINT{1, 2}));
  EXPECT_EQ(shadow.GetColor(), 0xFF333333u);
  EXPECT_EQ(shadow.GetShadowCorner(), (RECT{1, 2, 3, 4}));
  EXPECT_EQ(shadow.GetImage(), u"shadow.png");
  EXPECT_TRUE(shadow.IsImageMode());
  EXPECT_TRUE(shadow.IsShowShadow());
}

// A window's pixels are allocated at its size: a skin cannot ask for gigabytes.
TEST(SkinBuilderWindowTest, WindowSizesAreHeldToTheLargestScreen) {
  TestWindow window;
  UIManager manager;
  manager.Init(window.hwnd());
  SkinBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Build(
      u"<Window size=\"30000,30000\" mininfo=\"99999,20\" maxinfo=\"20,2147483647\"><Control/></Window>",
      std::nullopt, nullptr, &manager));
  ASSERT_NE(root, nullptr);
  constexpr int kMax = SkinBuilder::kMaxWindowExtent;
  EXPECT_EQ(manager.InitialSize(), (SIZE{kMax, kMax}));
  EXPECT_EQ(manager.MinTrackSize(), (SIZE{kMax, 20}));
  EXPECT_EQ(manager.MaxTrackSize(), (SIZE{20, kMax}));
  os::RECT rc{};
  os::GetWindowRect(window.hwnd(), &rc);
  EXPECT_LE(rc.right - rc.left, kMax);
  EXPECT_LE(rc.bottom - rc.top, kMax);
}

TEST(SkinBuilderWindowTest, OutOfRangeValuesKeepWhatWasThere) {
  TestWindow window;
  UIManager manager;
  manager.Init(window.hwnd());
  SkinBuilder builder;
  std::unique_ptr<CControlUI> first(
      builder.Build(u"<Window size=\"500\" shadowsize=\"5\" shadowsharpness=\"3\" shadowdarkness=\"9\" "
                    u"shadowposition=\"2,2\" shadowcorner=\"1,1,1,1\"><Control/></Window>",
                    std::nullopt, nullptr, &manager));
  std::unique_ptr<CControlUI> second(
      builder.Build(u"<Window alpha=\"300\" shadowsize=\"25\" shadowsharpness=\"-1\" shadowdarkness=\"256\" "
                    u"shadowposition=\"2,21\" shadowcorner=\"1,-1,1,1\"><Control/></Window>",
                    std::nullopt, nullptr, &manager));
  // One number: that width, height 0.
  EXPECT_EQ(manager.InitialSize(), (SIZE{500, 0}));
  // 300 is stored as 255, and the window is not made layered by it.
  EXPECT_EQ(manager.WindowOpacity(), 255);
  EXPECT_EQ(os::GetWindowLong(window.hwnd(), os::GWL_EXSTYLE) & static_cast<os::LONG>(os::WS_EX_LAYERED), 0);
  const CShadowUI& shadow = manager.Shadow();
  EXPECT_EQ(shadow.GetSize(), 5);
  EXPECT_EQ(shadow.GetSharpness(), 3u);
  EXPECT_EQ(shadow.GetDarkness(), 9u);
  EXPECT_EQ(shadow.GetPosition(), (POINT{2, 2}));
  EXPECT_EQ(shadow.GetShadowCorner(), (RECT{1, 1, 1, 1}));
}

TEST(SkinBuilderWindowTest, OnlyAWindowRootOfAManagedWindowIsApplied) {
  TestWindow window;
  UIManager unattached;  // no native window yet
  SkinBuilder builder;
  std::unique_ptr<CControlUI> a(
      builder.Build(u"<Window size=\"640,480\"><Control/></Window>", std::nullopt, nullptr, &unattached));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(unattached.InitialSize(), (SIZE{}));

  UIManager manager;
  manager.Init(window.hwnd());
  std::unique_ptr<CControlUI> b(
      builder.Build(u"<Dialog size=\"640,480\"><Control/></Dialog>", std::nullopt, nullptr, &manager));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(manager.InitialSize(), (SIZE{}));
}

}  // namespace
}  // namespace Kesto
