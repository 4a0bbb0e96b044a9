// The tags a skin may name and how each one's control is made. Control
// classes add themselves from their own source files (KESTO_REGISTER_CONTROL),
// so a new class needs no edit in the builder; the builder asks the registry
// first and its callback second.
//
// Registration is first-come: a tag registered again keeps its first maker
// and the later attempt is refused (Duplicate) and reported on the debug
// output, so the outcome never depends on which of two files the linker
// happened to place first. An empty tag or a null maker is Invalid.
// Lookups are exact and case-sensitive.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Kesto {

class CControlUI;

using ControlMaker = CControlUI* (*)();

// How tree nodes are made and hung into their parents; a builder without it
// skips TreeNode elements. node and view are what a parent answers to
// GetInterface("TreeNode") and GetInterface("TreeView").
struct TreeNodeSupport {
  CControlUI* (*create)() = nullptr;
  bool (*addToNode)(void* node, CControlUI* child) = nullptr;
  bool (*addToView)(void* view, CControlUI* node) = nullptr;
};

enum class Registration { Added, Duplicate, Invalid };

class ControlRegistry {
 public:
  // The process-wide registry the skin builder uses.
  static ControlRegistry& Instance();

  Registration Register(std::u16string_view tag, ControlMaker maker);
  // The maker of a tag, or null.
  ControlMaker Find(std::u16string_view tag) const;
  // A new control of the tag (the caller's), or null for a tag nobody
  // registered.
  std::unique_ptr<CControlUI> Create(std::u16string_view tag) const;
  // Every registered tag, sorted.
  std::vector<std::u16string> Tags() const;

  // Tree nodes are not made like other tags (see SkinBuilder); the tree
  // classes hand their hooks here. The first complete support wins.
  Registration SetTreeNodeSupport(const TreeNodeSupport& support);
  const TreeNodeSupport& TreeNodes() const { return tree_; }

 private:
  std::map<std::u16string, ControlMaker, std::less<>> makers_;
  TreeNodeSupport tree_;
};

namespace detail {
template <typename T>
CControlUI* MakeControl() {
  return new T();
}
struct ControlRegistrar {
  ControlRegistrar(std::u16string_view tag, ControlMaker maker) {
    ControlRegistry::Instance().Register(tag, maker);
  }
};
}  // namespace detail

}  // namespace Kesto

#define KESTO_REGISTRAR_NAME2(line) kestoControlRegistrar##line
#define KESTO_REGISTRAR_NAME(line) KESTO_REGISTRAR_NAME2(line)
// Registers Class under tag when the program starts. Put it in the class's own
// source file, at namespace scope inside namespace Kesto.
#define KESTO_REGISTER_CONTROL(tag, Class)                                \
  namespace {                                                             \
  const ::Kesto::detail::ControlRegistrar KESTO_REGISTRAR_NAME(__LINE__){ \
      tag, &::Kesto::detail::MakeControl<Class>};                         \
  }
