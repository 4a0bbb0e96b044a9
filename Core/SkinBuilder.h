// Turns one skin document into a tree of controls and, on the way, fills the
// window manager's shared tables (fonts, images, per-tag default attribute
// lists) and applies the window-level settings written on the root Window
// element.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Core/ControlRegistry.h"
#include "Core/Markup.h"
#include "platform/window/Resource.h"

namespace Kesto {

class CControlUI;
class UIManager;

// Makes controls for tags the builder does not know.
class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for the tag, or null to skip the element.
  virtual CControlUI* CreateCustomControl(std::u16string_view tagName) = 0;
};

// A skin handed to Build: a resource identifier (below 0x10000), or a string
// that is skin text when it begins with "<" and a skin file name otherwise.
class SkinRef {
 public:
  SkinRef(int id) : isId_(true), id_(id) {}                    // NOLINT: implicit on purpose
  SkinRef(std::u16string_view text) : text_(text) {}           // NOLINT
  SkinRef(const char16_t* text) : text_(text ? text : u"") {}  // NOLINT
  SkinRef(const std::u16string& text) : text_(text) {}         // NOLINT

  bool IsId() const { return isId_; }
  int Id() const { return id_; }
  const std::u16string& Text() const { return text_; }

 private:
  bool isId_ = false;
  int id_ = 0;
  std::u16string text_;
};

// A <Font> element of a skin's shared tables, as the builder reads it: no
// name, no font.
struct SkinFont {
  std::optional<std::u16string> name;
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool isDefault = false;
};
SkinFont ReadSkinFont(MarkupNode node);

class SkinBuilder {
 public:
  // Includes deeper than this are not followed (a skin including itself
  // would otherwise never end).
  static constexpr int kMaxIncludeDepth = 16;
  // A skin whose elements nest deeper than this below its root is refused
  // like one that does not parse (Build returns null, LastErrorMessage says
  // why): the tree is built, laid out and painted recursively.
  static constexpr int kMaxNestingDepth = 256;
  // The window sizes a skin gives ("size", "mininfo", "maxinfo") are held to
  // this many pixels a side: a window's back buffer is allocated at its size,
  // and 32767 × 32767 would be 4 GiB. Larger than any screen in use.
  static constexpr int kMaxWindowExtent = 8192;

  SkinBuilder();
  SkinBuilder(const SkinBuilder&) = delete;
  SkinBuilder& operator=(const SkinBuilder&) = delete;

  // Builds the skin; returns the first control created at the top level, or
  // null when the skin cannot be loaded, has no root, or a control's parent
  // cannot hold it. With a resource identifier, type names the resource type
  // and is kept for the Include elements of the skin. manager may be null
  // (no shared tables, no window settings); parent may be null. With a
  // parent, what is built belongs to the parent and the result only points
  // at it; without one the caller takes the result (BuildTree says so in
  // its type).
  CControlUI* Build(const SkinRef& skin, std::optional<os::ResourceName> type = std::nullopt,
                    IDialogBuilderCallback* callback = nullptr, UIManager* manager = nullptr,
                    CControlUI* parent = nullptr);
  // Build without a parent: the tree's first top-level control, owned by
  // the caller; any other top-level controls are not kept.
  std::unique_ptr<CControlUI> BuildTree(const SkinRef& skin,
                                        std::optional<os::ResourceName> type = std::nullopt,
                                        IDialogBuilderCallback* callback = nullptr,
                                        UIManager* manager = nullptr);

  const MarkupDoc& GetMarkup() const { return markup_; }
  const std::u16string& LastErrorMessage() const { return markup_.LastErrorMessage(); }
  const std::u16string& LastErrorLocation() const { return markup_.LastErrorLocation(); }

  void SetTreeNodeSupport(const TreeNodeSupport& tree) { tree_ = tree; }

  // The control of a registered tag (see ControlRegistry); null for tags
  // nobody registered.
  static std::unique_ptr<CControlUI> CreateControl(std::u16string_view tag);

 private:
  bool Load(const SkinRef& skin, const std::optional<os::ResourceName>& type);
  void ApplySharedTables(MarkupNode root, UIManager* manager);
  void ApplyWindowAttributes(MarkupNode root, UIManager* manager);
  // What one level of the tree gave: its first control, and, at the top
  // level without a parent, that control itself to hand to the caller.
  struct Level {
    CControlUI* first = nullptr;
    std::unique_ptr<CControlUI> owned;
  };
  // Loads and builds the skin under parent (null: top level).
  Level BuildLevel(const SkinRef& skin, std::optional<os::ResourceName> type,
                   IDialogBuilderCallback* callback, UIManager* manager, CControlUI* parent);
  // Builds the children of node under parent. Sets aborted_ when a parent
  // cannot take its children.
  Level Parse(MarkupNode node, CControlUI* parent, UIManager* manager);
  void BuildInclude(MarkupNode node, CControlUI* parent, UIManager* manager);
  void BuildTreeNode(MarkupNode node, CControlUI* parent, UIManager* manager);

  MarkupDoc markup_;
  IDialogBuilderCallback* callback_ = nullptr;
  std::optional<os::ResourceName> type_;
  TreeNodeSupport tree_;
  int depth_ = 0;
  bool aborted_ = false;
};

}  // namespace Kesto
