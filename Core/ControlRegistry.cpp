#include "Core/ControlRegistry.h"

#include "controls/Control.h"
#include "platform/system/Kernel.h"

namespace Kesto {

ControlRegistry& ControlRegistry::Instance() {
  static ControlRegistry registry;
  return registry;
}

Registration ControlRegistry::Register(std::u16string_view tag, ControlMaker maker) {
  if (tag.empty() || maker == nullptr) return Registration::Invalid;
  if (!makers_.emplace(std::u16string(tag), maker).second) {
    os::DebugOutput(os::DebugCategory::Skin, u"kesto.registry: the tag \"" + std::u16string(tag) +
                                                 u"\" is registered twice; the first maker stays");
    return Registration::Duplicate;
  }
  return Registration::Added;
}

ControlMaker ControlRegistry::Find(std::u16string_view tag) const {
  const auto it = makers_.find(tag);
  return it == makers_.end() ? nullptr : it->second;
}

std::unique_ptr<CControlUI> ControlRegistry::Create(std::u16string_view tag) const {
  const ControlMaker maker = Find(tag);
  return std::unique_ptr<CControlUI>(maker != nullptr ? maker() : nullptr);
}

std::vector<std::u16string> ControlRegistry::Tags() const {
  std::vector<std::u16string> tags;
  tags.reserve(makers_.size());
  for (const auto& [tag, maker] : makers_) tags.push_back(tag);
  return tags;
}

Registration ControlRegistry::SetTreeNodeSupport(const TreeNodeSupport& support) {
  if (support.create == nullptr || support.addToNode == nullptr || support.addToView == nullptr) {
    return Registration::Invalid;
  }
  if (tree_.create != nullptr) return Registration::Duplicate;
  tree_ = support;
  return Registration::Added;
}

}  // namespace Kesto
