// A container whose content comes from another skin file, built when the
// container joins a window.
#pragma once

#include <string>
#include <string_view>

#include "controls/Container.h"

namespace Kesto {

class CChildLayoutUI : public CContainerUI {
 public:
  CChildLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void Init() override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  const std::u16string& GetChildLayoutXML() const { return xmlFile_; }
  void SetChildLayoutXML(std::u16string_view file);

 private:
  std::u16string xmlFile_;
  // The tree built from the file, so that joining a window again does not
  // build it twice.
  CControlUI* built_ = nullptr;
};

}  // namespace Kesto
