#include "Core/SkinBuilder.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Core/ControlRegistry.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/Control.h"

namespace Kesto {

namespace {

// Include reads its values into buffers of these many characters, the
// terminator included.
constexpr std::size_t kIncludeCountCapacity = 499;
constexpr std::size_t kIncludeSourceCapacity = 500;

int Number(std::u16string_view value) { return static_cast<int>(attr::ParseLong(value)); }

// A skin's window sizes, each side held to kMaxWindowExtent: the window's
// pixels are allocated at that size.
SIZE WindowExtent(SIZE size) {
  return SIZE{std::min<os::LONG>(size.cx, SkinBuilder::kMaxWindowExtent),
              std::min<os::LONG>(size.cy, SkinBuilder::kMaxWindowExtent)};
}

// Levels of elements below root (root's children are level 1), counted
// without recursion.
int NestingDepth(MarkupNode root) {
  int deepest = 0;
  std::vector<std::pair<MarkupNode, int>> pending{{root, 0}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, depth);
    for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
      pending.emplace_back(child, depth + 1);
    }
  }
  return deepest;
}

}  // namespace

SkinBuilder::SkinBuilder() : tree_(ControlRegistry::Instance().TreeNodes()) {}

std::unique_ptr<CControlUI> SkinBuilder::CreateControl(std::u16string_view tag) {
  return ControlRegistry::Instance().Create(tag);
}

bool SkinBuilder::Load(const SkinRef& skin, const std::optional<os::ResourceName>& type) {
  type_.reset();
  if (skin.IsId()) {
    if (skin.Id() < 0 || skin.Id() >= 0x10000 || !type) {
      markup_.SetLoadFailure(u"Could not find resource");
      return false;
    }
    std::string bytes;
    if (!LoadResourceBytes(os::ResourceName(skin.Id()), *type, bytes)) {
      markup_.SetLoadFailure(u"Could not load resource");
      return false;
    }
    type_ = type;
    return markup_.LoadFromBytes(bytes, MarkupEncoding::Utf8);
  }
  if (!skin.Text().empty() && skin.Text()[0] == u'<') return markup_.LoadFromText(skin.Text());
  return markup_.LoadFromFile(skin.Text(), MarkupEncoding::Utf8);
}

CControlUI* SkinBuilder::Build(const SkinRef& skin, std::optional<os::ResourceName> type,
                               IDialogBuilderCallback* callback, UIManager* manager, CControlUI* parent) {
  Level level = BuildLevel(skin, std::move(type), callback, manager, parent);
  // Without a parent the caller takes the tree.
  if (level.owned != nullptr) return level.owned.release();
  return level.first;
}

std::unique_ptr<CControlUI> SkinBuilder::BuildTree(const SkinRef& skin, std::optional<os::ResourceName> type,
                                                   IDialogBuilderCallback* callback, UIManager* manager) {
  return BuildLevel(skin, std::move(type), callback, manager, nullptr).owned;
}

SkinBuilder::Level SkinBuilder::BuildLevel(const SkinRef& skin, std::optional<os::ResourceName> type,
                                           IDialogBuilderCallback* callback, UIManager* manager,
                                           CControlUI* parent) {
  aborted_ = false;
  if (!Load(skin, type)) return {};
  callback_ = callback;
  const MarkupNode root = markup_.Root();
  if (!root.IsValid()) return {};
  // Building, laying out and painting walk the tree recursively; a skin
  // nested deeper than any real window would exhaust the stack.
  if (NestingDepth(root) > kMaxNestingDepth) {
    markup_.SetLoadFailure(u"Elements nested too deeply");
    return {};
  }

  if (manager != nullptr) {
    ApplySharedTables(root, manager);
    if (std::u16string_view(root.TagName()) == u"Window" && manager->Window() != nullptr) {
      ApplyWindowAttributes(root, manager);
    }
  }
  return Parse(root, parent, manager);
}

SkinFont ReadSkinFont(MarkupNode node) {
  SkinFont font;
  const std::size_t count = node.AttributeCount();
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view attrName = node.AttributeNameAt(i);
    const std::u16string_view value = node.AttributeValueAt(i);
    if (attrName == u"name") {
      font.name.emplace(value);
    } else if (attrName == u"size") {
      font.size = Number(value);
    } else if (attrName == u"bold") {
      font.bold = attr::ParseBool(value);
    } else if (attrName == u"underline") {
      font.underline = attr::ParseBool(value);
    } else if (attrName == u"italic") {
      font.italic = attr::ParseBool(value);
    } else if (attrName == u"default") {
      font.isDefault = attr::ParseBool(value);
    }
  }
  return font;
}

void SkinBuilder::ApplySharedTables(MarkupNode root, UIManager* manager) {
  for (MarkupNode node = root.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    const std::u16string_view tag = node.TagName();
    const std::size_t count = node.AttributeCount();
    if (tag == u"Image") {
      std::optional<std::u16string> name;
      std::u16string type;
      DWORD mask = 0;
      for (std::size_t i = 0; i < count; ++i) {
        const std::u16string_view attrName = node.AttributeNameAt(i);
        const std::u16string_view value = node.AttributeValueAt(i);
        if (attrName == u"name") {
          name.emplace(value);
        } else if (attrName == u"restype") {
          type.assign(value);
        } else if (attrName == u"mask") {
          mask = attr::ParseColorNoBlank(value);
        }
      }
      if (name) manager->AddImageEntry(*name, type, mask);
    } else if (tag == u"Font") {
      const SkinFont font = ReadSkinFont(node);
      if (font.name) {
        manager->AddFontEntry(*font.name, font.size, font.bold, font.underline, font.italic);
        if (font.isDefault) manager->SetDefaultFontEntry(*font.name, font.size, font.bold, font.underline, font.italic);
      }
    } else if (tag == u"Default") {
      std::optional<std::u16string> name;
      std::u16string value;
      for (std::size_t i = 0; i < count; ++i) {
        const std::u16string_view attrName = node.AttributeNameAt(i);
        if (attrName == u"name") {
          name.emplace(node.AttributeValueAt(i));
        } else if (attrName == u"value") {
          value.assign(node.AttributeValueAt(i));
        }
      }
      if (name) manager->AddDefaultAttributes(*name, value);
    }
  }
}

void SkinBuilder::ApplyWindowAttributes(MarkupNode root, UIManager* manager) {
  CShadowUI& shadow = manager->Shadow();
  for (std::size_t i = 0; i < root.AttributeCount(); ++i) {
    const std::u16string_view name = root.AttributeNameAt(i);
    const std::u16string_view value = root.AttributeValueAt(i);
    if (name == u"size") {
      const SIZE s = WindowExtent(attr::ParseSize(value));
      manager->SetInitialSize(s.cx, s.cy);
    } else if (name == u"sizebox") {
      manager->SetSizingBorder(attr::ParseRect(value));
    } else if (name == u"caption") {
      manager->SetCaptionArea(attr::ParseRect(value));
    } else if (name == u"roundcorner") {
      const SIZE s = attr::ParseSize(value);
      manager->SetCornerRound(s.cx, s.cy);
    } else if (name == u"mininfo") {
      const SIZE s = WindowExtent(attr::ParseSize(value));
      manager->SetMinTrackSize(s.cx, s.cy);
    } else if (name == u"maxinfo") {
      const SIZE s = WindowExtent(attr::ParseSize(value));
      manager->SetMaxTrackSize(s.cx, s.cy);
    } else if (name == u"alpha") {
      manager->SetWindowOpacity(Number(value));
    } else if (name == u"bktrans") {
      manager->SetLayeredBackground(attr::ParseBool(value));
    } else if (name == u"disabledfontcolor") {
      manager->SetDefaultDisabledColor(attr::ParseColorNoBlank(value));
    } else if (name == u"defaultfontcolor") {
      manager->SetDefaultFontColor(attr::ParseColorNoBlank(value));
    } else if (name == u"linkfontcolor") {
      manager->SetDefaultLinkFontColor(attr::ParseColorNoBlank(value));
    } else if (name == u"linkhoverfontcolor") {
      manager->SetDefaultLinkHoverFontColor(attr::ParseColorNoBlank(value));
    } else if (name == u"selectedcolor") {
      manager->SetDefaultSelectedBkColor(attr::ParseColorNoBlank(value));
    } else if (name == u"shadowsize") {
      shadow.SetSize(Number(value));
    } else if (name == u"shadowsharpness") {
      const int n = Number(value);
      if (n >= 0) shadow.SetSharpness(static_cast<unsigned>(n));
    } else if (name == u"shadowdarkness") {
      const int n = Number(value);
      if (n >= 0) shadow.SetDarkness(static_cast<unsigned>(n));
    } else if (name == u"shadowposition") {
      const SIZE s = attr::ParseSize(value);
      shadow.SetPosition(s.cx, s.cy);
    } else if (name == u"shadowcolor") {
      shadow.SetColor(attr::ParseColorNoBlank(value));
    } else if (name == u"shadowcorner") {
      shadow.SetShadowCorner(attr::ParseRect(value));
    } else if (name == u"shadowimage") {
      shadow.SetImage(value);
    } else if (name == u"showshadow") {
      shadow.ShowShadow(attr::ParseBool(value));
    } else if (name == u"gdiplustext") {
      manager->SetGdiplusText(attr::ParseBool(value));
    }
  }
}

void SkinBuilder::BuildInclude(MarkupNode node, CControlUI* parent, UIManager* manager) {
  if (!node.HasAttributes()) return;
  int count = 1;
  std::u16string value;
  if (node.FindAttribute(u"count", value, kIncludeCountCapacity)) count = Number(value);
  std::u16string source;
  if (!node.FindAttribute(u"source", source, kIncludeSourceCapacity)) return;
  if (depth_ >= kMaxIncludeDepth) return;
  for (int i = 0; i < count; ++i) {
    SkinBuilder builder;
    builder.tree_ = tree_;
    builder.depth_ = depth_ + 1;
    // Without a parent nothing would own what the include made: it goes
    // with the level the builder hands back.
    if (type_) {
      builder.BuildLevel(SkinRef(Number(source)), type_, callback_, manager, parent);
    } else {
      builder.BuildLevel(SkinRef(source), std::nullopt, callback_, manager, parent);
    }
  }
}

void SkinBuilder::BuildTreeNode(MarkupNode node, CControlUI* parent, UIManager* manager) {
  // A node needs a tree (or a node of one) to hang in.
  if (parent == nullptr) {
    aborted_ = true;
    return;
  }
  if (tree_.create == nullptr) return;
  void* parentNode = parent->GetInterface(u"TreeNode");
  std::unique_ptr<CControlUI> treeNode(tree_.create());
  if (treeNode == nullptr) return;
  CControlUI* const created = treeNode.get();
  if (parentNode != nullptr) {
    if (tree_.addToNode == nullptr || !tree_.addToNode(parentNode, created)) return;
    treeNode.release();  // the parent node holds it now
  }
  if (manager != nullptr) {
    created->SetOwner(manager, nullptr, false);
    if (const std::u16string* list = manager->DefaultAttributesFor(u"TreeNode"))
      created->ApplyAttributeList(*list);
  }
  for (std::size_t i = 0; i < node.AttributeCount(); ++i) {
    created->SetAttribute(node.AttributeNameAt(i), node.AttributeValueAt(i));
  }
  Parse(node, created, manager);
  if (parentNode != nullptr) return;
  // Until the tree view takes it, the node is the builder's.
  void* view = parent->GetInterface(u"TreeView");
  if (aborted_ || view == nullptr) {
    aborted_ = true;
    return;
  }
  if (tree_.addToView != nullptr && tree_.addToView(view, created)) treeNode.release();
}

SkinBuilder::Level SkinBuilder::Parse(MarkupNode root, CControlUI* parent, UIManager* manager) {
  IContainerUI* container = nullptr;
  bool containerAsked = false;
  Level level;
  // Top-level controls without a parent belong to the caller only through
  // the first one; the others go when this returns.
  std::vector<std::unique_ptr<CControlUI>> orphans;
  const auto fail = [&]() {
    aborted_ = true;
    return Level{};
  };

  for (MarkupNode node = root.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    const std::u16string_view tag = node.TagName();
    if (tag == u"Image" || tag == u"Font" || tag == u"Default") continue;
    if (tag == u"Include") {
      BuildInclude(node, parent, manager);
      continue;
    }
    if (tag == u"TreeNode") {
      BuildTreeNode(node, parent, manager);
      if (aborted_) return fail();
      continue;
    }

    std::unique_ptr<CControlUI> made = CreateControl(tag);
    if (made == nullptr && callback_ != nullptr) made.reset(callback_->CreateCustomControl(tag));
    if (made == nullptr) continue;
    CControlUI* const control = made.get();

    // Depth first: the children exist before the control joins its parent
    // or receives its attributes.
    if (node.HasChildren()) {
      Parse(node, control, manager);
      if (aborted_) return fail();
    }

    if (parent != nullptr) {
      if (void* treeNode = parent->GetInterface(u"TreeNode")) {
        if (tree_.addToNode == nullptr || !tree_.addToNode(treeNode, control)) continue;
      } else {
        if (!containerAsked) {
          container = static_cast<IContainerUI*>(parent->GetInterface(u"IContainer"));
          containerAsked = true;
        }
        if (container == nullptr) return fail();
        if (!container->Add(control)) continue;
      }
      made.release();  // the parent holds it now
    } else {
      orphans.push_back(std::move(made));
    }

    if (manager != nullptr) {
      control->SetOwner(manager, nullptr, false);
      if (const std::u16string* list = manager->DefaultAttributesFor(tag)) control->ApplyAttributeList(*list);
    }
    for (std::size_t i = 0; i < node.AttributeCount(); ++i) {
      control->SetAttribute(node.AttributeNameAt(i), node.AttributeValueAt(i));
    }
    if (manager != nullptr) control->SetOwner(nullptr, nullptr, false);

    if (level.first == nullptr) level.first = control;
  }

  if (parent == nullptr && !orphans.empty()) level.owned = std::move(orphans.front());
  return level;
}

}  // namespace Kesto
