// A button that stays selected: alone it toggles, in a named group (kept by
// the window's manager) selecting one deselects the others.
#pragma once

#include <string>
#include <string_view>

#include "controls/Button.h"

namespace Kesto {

class COptionUI : public CButtonUI {
 public:
  COptionUI();
  ~COptionUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void SetOwner(UIManager* manager, CControlUI* parent, bool init = true) override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;
  void PaintText(os::Canvas& dc) override;

  // Stores the selection; see the .cpp for which calls notify.
  virtual void Selected(bool selected);

  bool IsSelected() const { return selected_; }
  const std::u16string& GetGroup() const { return group_; }
  // Moves the option to another group (empty: none) and applies its
  // selection there.
  void SetGroup(std::u16string_view group);

  const std::u16string& GetSelectedImage() const { return selectedImage_; }
  void SetSelectedImage(std::u16string_view image);
  const std::u16string& GetSelectedHotImage() const { return selectedHotImage_; }
  void SetSelectedHotImage(std::u16string_view image);
  const std::u16string& GetSelectedPushedImage() const { return selectedPushedImage_; }
  void SetSelectedPushedImage(std::u16string_view image);
  // The option's own fore image, drawn after its state image.
  const std::u16string& GetOptionForeImage() const { return optionForeImage_; }
  void SetOptionForeImage(std::u16string_view image);
  const std::u16string& GetSelectedForeImage() const { return selectedForeImage_; }
  void SetSelectedForeImage(std::u16string_view image);
  DWORD GetSelectedBkColor() const { return selectedBkColor_; }
  void SetSelectedBkColor(DWORD color);
  DWORD GetSelectedTextColor() const { return selectedTextColor_; }
  void SetSelectedTextColor(DWORD color);

 protected:
  // Group membership is kept with the manager that holds it, which is not
  // always the current one: the skin builder detaches controls from the
  // manager after setting their attributes, and an option deleted then must
  // still leave its group.
  void JoinGroup();
  void LeaveGroup();

  UIManager* groupManager_ = nullptr;
  bool selected_ = false;
  std::u16string group_;
  DWORD selectedBkColor_ = 0;
  DWORD selectedTextColor_ = 0;
  std::u16string selectedImage_;
  std::u16string selectedHotImage_;
  std::u16string selectedPushedImage_;
  std::u16string optionForeImage_;
  std::u16string selectedForeImage_;
};

}  // namespace Kesto
