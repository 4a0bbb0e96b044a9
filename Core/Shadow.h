// The shadow settings of a window, as its skin writes them on the Window
// element. Each setter keeps the previous value when the new one is outside
// the accepted range. The shadow window itself belongs to the window base.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Types.h"

namespace Kesto {

class CShadowUI {
 public:
  // Whether the window gets a shadow window when its root is attached.
  void ShowShadow(bool show) { show_ = show; }
  bool IsShowShadow() const { return show_; }

  // Spread in pixels, −20…20.
  bool SetSize(int size);
  int GetSize() const { return size_; }
  // 0…20.
  bool SetSharpness(unsigned sharpness);
  unsigned GetSharpness() const { return sharpness_; }
  // 0…255.
  bool SetDarkness(unsigned darkness);
  unsigned GetDarkness() const { return darkness_; }
  // Offset of the shadow, both −20…20.
  bool SetPosition(int x, int y);
  os::POINT GetPosition() const { return position_; }
  void SetColor(os::DWORD argb) { color_ = argb; }
  os::DWORD GetColor() const { return color_; }
  // Corner sizes of a shadow image; refused unless all four are ≥ 0.
  bool SetShadowCorner(const os::RECT& corner);
  os::RECT GetShadowCorner() const { return corner_; }
  // A shadow image switches the shadow to image mode.
  void SetImage(std::u16string_view image);
  const std::u16string& GetImage() const { return image_; }
  bool IsImageMode() const { return imageMode_; }

  // The shadow window made for the managed window, or null.
  os::HWND Window() const { return window_; }
  void SetWindow(os::HWND window) { window_ = window; }

 private:
  bool show_ = false;
  int size_ = 0;
  unsigned sharpness_ = 5;
  unsigned darkness_ = 150;
  os::POINT position_{0, 0};
  os::DWORD color_ = 0xFF000000;
  os::RECT corner_{};
  std::u16string image_;
  bool imageMode_ = false;
  os::HWND window_ = nullptr;
};

}  // namespace Kesto
