// Trees built from skins into headless windows: row order and indentation,
// expanding and collapsing by folder button, double click and keys, the
// notifications, check boxes, text colours, removal, and skins that put
// nodes where they cannot hang.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SkinHarness.h"
#include "controls/CheckBox.h"
#include "controls/HorizontalLayout.h"
#include "controls/Label.h"
#include "controls/Option.h"
#include "controls/TreeView.h"
#include "platform/window/Messages.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

constexpr char16_t kTreeSkin[] =
    uR"(<Window size="300,300"><Font name="Tahoma" size="16" bold="true"/>
  <TreeView name="tree" bkcolor="#FFFFFFFF" visiblecheckbtn="true" itemtextcolor="#FFFF0000"
            selitemtextcolor="#FF0000FF" itemhottextcolor="#FFFF0000" itemselectedbkcolor="#FFFFFFFF"
            itemhotbkcolor="#FFFFFFFF">
    <TreeNode name="a" text="AAA" height="20" defaultexpand="true" itemattr="font=&quot;0&quot;">
      <TreeNode name="a1" text="A1" height="20"/>
      <TreeNode name="a2" text="A2" height="20">
        <TreeNode name="a21" text="A21" height="20"/>
      </TreeNode>
      <Label name="extra" width="10"/>
    </TreeNode>
    <TreeNode name="b" text="BBB" height="20" itemattr="font=&quot;0&quot;"/>
  </TreeView></Window>)";

CTreeNodeUI* Node(const SkinWindow& w, std::u16string_view name) {
  return w.Find<CTreeNodeUI>(name, u"TreeNode");
}
CTreeViewUI* Tree(const SkinWindow& w) { return w.Find<CTreeViewUI>(u"tree", u"TreeView"); }

TEST(TreeViewTest, NodesAreRowsInDepthFirstOrderIndentedByDepth) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kTreeSkin));
  CTreeViewUI* tree = Tree(w);
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->GetCount(), 5);
  const char16_t* order[] = {u"a", u"a1", u"a2", u"a21", u"b"};
  const int levels[] = {0, 1, 1, 2, 0};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(tree->GetItemAt(i), Node(w, order[i]));
    EXPECT_EQ(Node(w, order[i])->GetTreeLevel(), levels[i]);
    EXPECT_EQ(Node(w, order[i])->GetIndex(), i);
  }
  // a is expanded, a2 not: a21 is hidden and b follows a2.
  EXPECT_FALSE(Node(w, u"a21")->IsVisible());
  EXPECT_EQ(Node(w, u"b")->GetPos().top, 60);
  // Text starts after indentation, folder room and check box; leaves keep
  // the folder's room so siblings line up.
  EXPECT_EQ(Node(w, u"a")->GetItemButton()->GetPos().left, 32);
  EXPECT_EQ(Node(w, u"a1")->GetItemButton()->GetPos().left, 48);
  EXPECT_EQ(Node(w, u"a2")->GetItemButton()->GetPos().left, 48);
  EXPECT_EQ(Node(w, u"b")->GetItemButton()->GetPos().left, 32);
  EXPECT_FALSE(Node(w, u"a1")->GetFolderButton()->IsVisible());
  EXPECT_TRUE(Node(w, u"a")->GetCheckBox()->IsVisible());
  // A control that is not a node joins its node's row.
  EXPECT_EQ(w.Find(u"extra")->GetParent(), static_cast<CControlUI*>(Node(w, u"a")->GetTreeNodeHoriznotal()));
  // The selected row's text takes the selected colour, the others the tree's.
  ASSERT_TRUE(tree->SelectItem(4));
  w.Pump();
  EXPECT_GT(w.CountPixels(RECT{32, 60, 300, 80}, 0xFF0000FF), 20);
  EXPECT_EQ(w.CountPixels(RECT{32, 60, 300, 80}, 0xFFFF0000), 0);
  EXPECT_GT(w.CountPixels(RECT{32, 0, 300, 20}, 0xFFFF0000), 20);
}

TEST(TreeViewTest, FolderButtonAndDoubleClickExpandAndCollapse) {
  SkinWindow w(true);
  ASSERT_TRUE(w.Load(kTreeSkin));
  CTreeViewUI* tree = Tree(w);
  // a2's folder button lies after its 16-pixel indentation.
  w.Click(24, 50);
  EXPECT_TRUE(Node(w, u"a2")->IsExpanded());
  EXPECT_TRUE(Node(w, u"a21")->IsVisible());
  EXPECT_EQ(Node(w, u"a21")->GetPos().top, 60);
  EXPECT_EQ(Node(w, u"b")->GetPos().top, 80);
  EXPECT_EQ(w.Count(u"itemdbclick"), 0);
  EXPECT_EQ(w.Count(u"selectchanged"), 0);

  os::inject::DoubleClick(SkinWindow::Screen(150, 10));
  w.Pump();
  EXPECT_FALSE(Node(w, u"a")->IsExpanded());
  for (const char16_t* hidden : {u"a1", u"a2", u"a21"}) EXPECT_FALSE(Node(w, hidden)->IsVisible());
  EXPECT_EQ(Node(w, u"b")->GetPos().top, 20);
  ASSERT_EQ(w.Count(u"itemdbclick"), 1);
  EXPECT_EQ(w.Last(u"itemdbclick")->sender, tree);
  EXPECT_EQ(w.Last(u"itemdbclick")->wParam, 0u);
  // Expanding again brings back a2's subtree as a2 left it.
  Node(w, u"a")->Expand(true);
  w.Pump();
  EXPECT_TRUE(Node(w, u"a21")->IsVisible());
  EXPECT_EQ(Node(w, u"b")->GetPos().top, 80);
}

TEST(TreeViewTest, LeftAndRightCollapseExpandAndWalkTheLevels) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kTreeSkin));
  CTreeViewUI* tree = Tree(w);
  w.Click(150, 30);  // a1
  ASSERT_EQ(tree->GetCurSel(), 1);
  w.Key(os::VK_LEFT);  // a leaf: to its parent
  EXPECT_EQ(tree->GetCurSel(), 0);
  w.Key(os::VK_LEFT);  // collapse a
  EXPECT_FALSE(Node(w, u"a")->IsExpanded());
  w.Key(os::VK_DOWN);  // the hidden rows are skipped
  EXPECT_EQ(tree->GetCurSel(), 4);
  w.Key(os::VK_UP);
  w.Key(os::VK_RIGHT);  // expand a
  EXPECT_TRUE(Node(w, u"a")->IsExpanded());
  w.Key(os::VK_RIGHT);  // to the first child
  EXPECT_EQ(tree->GetCurSel(), 1);
  w.Key(os::VK_DOWN);
  w.Key(os::VK_RIGHT);
  w.Key(os::VK_DOWN);
  EXPECT_EQ(tree->GetCurSel(), 3);
  // Collapsing an ancestor of the selection selects the ancestor.
  Node(w, u"a")->Expand(false);
  EXPECT_EQ(tree->GetCurSel(), 0);
}

TEST(TreeViewTest, CheckBoxesReportThroughTheTree) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kTreeSkin));
  CTreeViewUI* tree = Tree(w);
  w.Click(24, 70);  // b's check box (after its leaf indentation of 16)
  EXPECT_TRUE(Node(w, u"b")->IsChecked());
  // One notice, the tree's: the box itself says nothing.
  EXPECT_EQ(w.Count(u"selectchanged"), 1);
  const NotifyMsg* msg = w.Last(u"selectchanged");
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->sender, tree);
  EXPECT_EQ(msg->wParam, 4u);
  EXPECT_EQ(msg->lParam, 1);
  Node(w, u"b")->SetChecked(false);
  EXPECT_EQ(w.Last(u"selectchanged")->lParam, 0);
  tree->SetVisibleCheckBtn(false);
  EXPECT_FALSE(Node(w, u"b")->GetCheckBox()->IsVisible());
}

TEST(TreeViewTest, RemovingANodeTakesItsSubtreeAndItsSelection) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kTreeSkin));
  CTreeViewUI* tree = Tree(w);
  CTreeNodeUI* a = Node(w, u"a");
  ASSERT_TRUE(tree->SelectItem(2));
  ASSERT_TRUE(a->RemoveChildNode(Node(w, u"a2")));
  EXPECT_EQ(tree->GetCount(), 3);
  EXPECT_EQ(tree->GetCurSel(), -1);
  EXPECT_EQ(a->GetCountChild(), 1);
  EXPECT_EQ(Node(w, u"b")->GetIndex(), 2);

  // A node added under a node in the tree joins the rows after its siblings.
  auto* added = new CTreeNodeUI();
  added->SetFixedHeight(20);
  ASSERT_TRUE(a->AddChildNode(added));
  EXPECT_EQ(tree->GetItemIndex(added), 2);
  EXPECT_EQ(added->GetTreeView(), tree);
  // Joining twice, joining itself or an ancestor is refused.
  EXPECT_FALSE(a->AddChildNode(added));
  EXPECT_FALSE(added->AddChildNode(a));
  EXPECT_FALSE(a->AddChildNode(a));
  EXPECT_FALSE(tree->Add(added));

  // Taken straight out of the rows, a node leaves its parent, and its
  // children stay as top nodes.
  auto* grandchild = new CTreeNodeUI();
  ASSERT_TRUE(added->AddChildNode(grandchild));
  ASSERT_TRUE(tree->GetList()->Remove(added));
  EXPECT_EQ(a->GetCountChild(), 1);
  EXPECT_EQ(grandchild->GetParentNode(), nullptr);
  EXPECT_EQ(grandchild->GetTreeLevel(), 0);
  EXPECT_TRUE(grandchild->IsVisible());
  ASSERT_TRUE(tree->Remove(grandchild));
  w.Pump();

  ASSERT_TRUE(tree->SelectItem(0));
  ASSERT_TRUE(tree->RemoveAt(0));
  EXPECT_EQ(tree->GetCount(), 1);
  EXPECT_EQ(tree->GetCurSel(), -1);
  EXPECT_EQ(tree->GetItemAt(0), Node(w, u"b"));
  w.Pump();
}

TEST(TreeViewTest, NodesWhereNoTreeCanHoldThemFailTheBuild) {
  for (const char16_t* skin : {
           u"<Window><List><TreeNode text=\"x\"><TreeNode/></TreeNode></List></Window>",
           u"<Window><VerticalLayout><TreeNode/></VerticalLayout></Window>",
           u"<Window><TreeNode/></Window>",
       }) {
    SkinWindow w;
    EXPECT_FALSE(w.Load(skin));
  }
  // Nonsense values for the node's settings build a usable tree.
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(u"<Window><TreeView name=\"tree\" itemminwidth=\"-5\" visiblefolderbtn=\"maybe\">"
             u"<TreeNode name=\"n\" dotlineattr=\"width=&quot;-3\" folderattr=\"nonsense\" "
             u"horizattr=\"=\" defaultexpand=\"1\" itemtextcolor=\"zz\"/></TreeView></Window>"));
  EXPECT_EQ(Tree(w)->GetItemMinWidth(), 0);
  EXPECT_FALSE(Node(w, u"n")->IsExpanded());
  EXPECT_TRUE(Tree(w)->SelectItem(0));
}

}  // namespace
}  // namespace Kesto
