// The sign a tree node's folder button shows without a picture: "+" or "-"
// by the node's state, and nothing once the skin gives the button a picture,
// whichever order the node's attributes come in.
#include <gtest/gtest.h>

#include <string>

#include "SkinHarness.h"
#include "controls/CheckBox.h"
#include "controls/TreeView.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

constexpr char16_t kSignSkin[] =
    uR"(<Window size="300,300">
  <TreeView name="tree">
    <TreeNode name="closed_first" text="A" height="20" defaultexpand="false" folderattr="normalimage=&quot;f.png&quot;">
      <TreeNode name="c1" text="A1" height="20"/>
    </TreeNode>
    <TreeNode name="open_first" text="B" height="20" defaultexpand="true" folderattr="normalimage=&quot;f.png&quot;">
      <TreeNode name="c2" text="B1" height="20"/>
    </TreeNode>
    <TreeNode name="picture_first" folderattr="normalimage=&quot;f.png&quot;" text="C" height="20" defaultexpand="true">
      <TreeNode name="c3" text="C1" height="20"/>
    </TreeNode>
    <TreeNode name="plain" text="D" height="20" defaultexpand="false">
      <TreeNode name="c4" text="D1" height="20"/>
    </TreeNode>
  </TreeView></Window>)";

TEST(TreeFolderSignTest, PictureReplacesTheSignWhateverTheAttributeOrder) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kSignSkin));
  for (const char16_t* name : {u"closed_first", u"open_first", u"picture_first"}) {
    CTreeNodeUI* node = w.Find<CTreeNodeUI>(name, u"TreeNode");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetFolderButton()->GetText(), u"");
    // Toggling brings no sign back over the picture.
    node->Expand(!node->IsExpanded());
    EXPECT_EQ(node->GetFolderButton()->GetText(), u"");
    node->Expand(!node->IsExpanded());
    EXPECT_EQ(node->GetFolderButton()->GetText(), u"");
  }
  // Without a picture the sign follows the state.
  CTreeNodeUI* plain = w.Find<CTreeNodeUI>(u"plain", u"TreeNode");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->GetFolderButton()->GetText(), u"+");
  plain->Expand(true);
  EXPECT_EQ(plain->GetFolderButton()->GetText(), u"-");
}

}  // namespace
}  // namespace Kesto
