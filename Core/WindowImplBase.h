// The borderless, skinned top-level window the launcher's windows derive
// from. It owns the window's UIManager, builds the skin on creation (from a
// folder, an archive file, a resource or an archive inside the resources),
// answers hit tests from the skin's caption and sizing border, shapes the
// window with its round corners, keeps a maximised window on the monitor's
// work area, and runs the standard system buttons ("closebtn", "minbtn",
// "maxbtn", "restorebtn") by control name.
//
// A deriving window supplies GetWindowClassName, GetSkinFolder and
// GetSkinFile, and usually overrides InitWindow (called once the skin is
// built) and Notify or the message map.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "Core/NotifyPump.h"
#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"
#include "Core/WindowWnd.h"
#include "platform/window/Resource.h"

namespace Kesto {

// The failure a skin that does not build ends the process with.
inline constexpr char16_t kSkinLoadFailedText[] = u"加载资源文件失败";
inline constexpr char16_t kSkinLoadFailedCaption[] = u"UiLib提示";
inline constexpr int kSkinLoadFailedExitCode = 1;
// Resource type of skin archives kept in the program's resources.
inline constexpr char16_t kZipResourceType[] = u"ZIPRES";
// Class of the shadow windows made for skins with "showshadow".
inline constexpr char16_t kShadowWindowClass[] = u"KestoShadowWnd";

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // --- CWindowWnd ---------------------------------------------------------------
  std::u16string_view GetSuperClassName() const override;
  // Double clicks.
  os::UINT GetClassStyle() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  // Stops listening to the manager and lets it forget the root.
  void OnFinalMessage(os::HWND hwnd) override;

  // --- Operations of the deriving window ------------------------------------------
  virtual void InitWindow();
  // "closebtn" closes, "minbtn" / "maxbtn" / "restorebtn" send the system
  // command.
  virtual void OnClick(NotifyMsg& msg);
  virtual std::u16string GetSkinFolder() = 0;
  virtual std::u16string GetSkinFile() = 0;
  // Called before translation for key-downs of Enter and Escape; the key
  // continues to the focused control whatever this returns. True (taken) for
  // Escape, false for the rest.
  virtual os::LRESULT ResponseDefaultKeyEvent(os::WPARAM key);
  virtual ResourceKind GetResourceType() const;
  // The archive file (relative to the skin root) of ResourceKind::Zip.
  virtual std::u16string GetZipFileName() const;
  // The "ZIPRES" resource of ResourceKind::ZipResource.
  virtual os::ResourceName GetResourceId() const;

  // Message handlers: handled starts true; one that leaves the message to
  // the next stage clears it (the base's defaults for most of them do).
  virtual os::LRESULT OnClose(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnDestroy(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnNcActivate(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnNcCalcSize(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnNcPaint(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnNcHitTest(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnGetMinMaxInfo(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnMouseWheel(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnMouseHover(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnSize(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnChar(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnCreate(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnKeyDown(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnKillFocus(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnSetFocus(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnLButtonDown(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnLButtonUp(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  virtual os::LRESULT OnMouseMove(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled);
  // Every message the specific handlers leave; not handled by default.
  virtual os::LRESULT HandleCustomMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                          bool& handled);
  // The window's current style without the caption bits.
  virtual os::LONG GetStyle();

  // --- INotifyUI: runs the notify pump -----------------------------------------------
  void Notify(NotifyMsg& msg) override;
  // --- IMessageFilterUI: the manager's pre-message filter (default keys) -----------------
  os::LRESULT MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;
  // --- IDialogBuilderCallback: no controls of its own -------------------------------------
  CControlUI* CreateCustomControl(std::u16string_view tagName) override;

  // "click" on any control → OnClick.
  const NotifyMap* GetMessageMap() const override;
  static const NotifyMap* MessageMap();

  UIManager& GetManager() { return manager_; }
  const UIManager& GetManager() const { return manager_; }

 protected:
  // Creates, places and shows the shadow window of a skin with "showshadow".
  void CreateShadow();
  void FollowShadow();

  // The non-client hit test of a skinned window: the sizing border unless
  // maximised, then the caption area, where controls of clientClasses (class
  // names, any case) stay clickable and everything else drags the window.
  os::LRESULT HitTest(os::LPARAM lParam, std::span<const std::u16string_view> clientClasses);

  UIManager manager_;

 private:
  // Builds the skin named by the resource operations; the root, or null.
  std::unique_ptr<CControlUI> BuildSkin();
};

}  // namespace Kesto
