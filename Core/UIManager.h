// The per-window manager of the UI framework. One UIManager belongs to every
// skinned native window and holds what the window's controls share: fonts,
// images, per-tag default attributes, the window-level settings of the skin,
// named controls, option groups, timers, focus, the hot and captured controls
// and the listeners that receive notifications. It turns the window's native
// messages into control events and paints the control tree. Its static part
// holds the process-wide skin-source settings and runs the message loop.
//
// The header is laid out in sections:
//   1. Process-wide skin sources and the message loop (static)
//   2. Fonts
//   3. Images
//   4. Default attribute lists, default colours, colour adjustment
//   5. Window life cycle and window-level settings
//   6. Controls: lookup, focus, capture, timers, groups, painting lists
//   7. Notifications, filters and accelerators
//   8. Message handling and painting
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Shadow.h"
#include "Core/StringMap.h"
#include "platform/base/Types.h"
#include "platform/gfx/FontsAhead.h"
#include "platform/gfx/Text.h"

namespace os {
struct MSG;
struct TOOLINFOW;
class Bitmap;
class Canvas;
}  // namespace os

namespace Kesto {

class CControlUI;
class ZipReader;
class UIManager;
// A decoded picture; made by the renderer (controls/Render.h).
struct ImageInfo;

// Where a window takes its skin from (chosen per window by the window base).
enum class ResourceKind : int {
  File = 1,
  Zip = 2,
  Resource = 3,
  ZipResource = 4,
};

// The native timer id of the caret blink; never handed out to controls.
constexpr os::UINT_PTR kCaretTimerId = 241;
// Posted to the window to destroy the controls handed to DestroyLater.
constexpr os::UINT kDelayedDestroyMessage = 0x8001;
// Control messages reflected back to their senders come at message + this.
constexpr os::UINT kReflectOffset = 0x2000;
// A command from a control window is reflected as this message.
constexpr os::UINT kReflectedCommand = 0x2111;

// ---------------------------------------------------------------------------
// Notification record and the one-operation callback interfaces.

struct NotifyMsg {
  std::u16string type;        // "click", "setfocus", ...
  std::u16string virtualWnd;  // the sender's virtual window, when names are in use
  CControlUI* sender = nullptr;
  os::DWORD timestamp = 0;  // tick count
  os::POINT mousePoint{};   // the manager's last mouse point
  os::WPARAM wParam = 0;
  os::LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(NotifyMsg& msg) = 0;
};

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  // Setting handled stops further processing; the result is then the
  // message's result.
  virtual os::LRESULT MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                     bool& handled) = 0;
};

class ITranslateAccelerator {
 public:
  virtual ~ITranslateAccelerator() = default;
  // 0 when the message was handled.
  virtual os::LRESULT TranslateAccelerator(os::MSG* msg) = 0;
};

// A control that takes Tab itself (a multi-line rich edit) answers
// GetInterface("WantTab") with this; Tab then does not move the focus while
// the control has it and IsWantTab() is true.
class IWantTabUI {
 public:
  virtual ~IWantTabUI() = default;
  virtual bool IsWantTab() const = 0;
};

// ---------------------------------------------------------------------------
// Fonts

// Text metrics of a font as the framework reads them, in pixels.
using FontMetrics = os::TextMetrics;

// A font of a manager: the font itself (its handle), the description the skin
// gave, and its text metrics, measured on first request.
struct FontInfo {
  std::unique_ptr<os::Font> font;
  std::u16string faceName;
  int size = 0;  // pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;

  os::Font* Handle() const { return font.get(); }
  // The drawing layer's font of this record.
  const os::Font& PlatformFont() const { return *font; }
  const FontMetrics& Metrics() const;

 private:
  mutable std::optional<FontMetrics> metrics_;
};

// An entry of a manager's image table: the picture and what it was loaded
// with.
struct ImageEntry {
  const ImageInfo* image = nullptr;
  std::u16string type;
  os::DWORD mask = 0;
};

// ---------------------------------------------------------------------------
// Timers

struct TimerInfo {
  CControlUI* sender = nullptr;
  os::HWND window = nullptr;
  os::UINT localId = 0;       // the control's own id
  os::UINT_PTR nativeId = 0;  // the id the window's timer runs under
  bool killed = false;
};

class UIManager {
 public:
  UIManager();
  ~UIManager();
  UIManager(const UIManager&) = delete;
  UIManager& operator=(const UIManager&) = delete;

  // ------------------------------------------------------------------------
  // 1. Process-wide skin sources. One set per process, changed only while a
  //    window is being created.

  static void SetProcessInstance(os::HINSTANCE instance);
  static os::HINSTANCE ProcessInstance();
  // The module searched for resources; the process instance when none is set.
  static void SetResourceModule(os::HINSTANCE module);
  static os::HINSTANCE ResourceModule();
  // Folder of the process instance's file with its trailing separator; empty
  // without a process instance.
  static std::u16string ModuleFolder();

  // Folder prefix of skin files and images. A non-empty value gets a trailing
  // separator when it has none.
  static void SetSkinRoot(std::u16string_view path);
  static const std::u16string& SkinRoot();

  // Archive (relative to the skin root) skin files and images are read from;
  // empty for plain files. With keepOpen the archive is opened once now and
  // that reader serves every later lookup. Setting the current name and flag
  // again changes nothing.
  static void SetSkinArchive(std::u16string_view name, bool keepOpen);
  // Serves skins from an archive in memory (a module resource): not copied, so
  // it must outlive its use. The archive name becomes "membuffer".
  static void SetSkinArchiveBuffer(const void* data, std::size_t size);
  static const std::u16string& SkinArchiveName();
  static bool IsSkinArchiveKeptOpen();
  // The reader kept open, or null.
  static ZipReader* OpenArchiveReader();

  // The managers of every live window that has been given one (Init).
  static const std::vector<UIManager*>& Managers();

  // Runs the thread's messages until the quit message; returns its wParam.
  // Whatever a dispatched message throws is caught and dropped.
  static int RunMessageLoop();
  // Offers a message to the managers before it is translated and dispatched;
  // true when it was consumed.
  static bool TranslateForManagers(os::MSG* msg);

  // ------------------------------------------------------------------------
  // 2. Fonts. Indexed from 0 in the order the skin declares them; an index
  //    outside the list means the default font.

  // The font a font entry with these values makes (the face name cut to
  // what a font description holds), and the one a new manager starts with.
  static os::FontRequest FontEntryRequest(std::u16string_view faceName, int size, bool bold, bool underline,
                                          bool italic);
  static os::FontRequest DefaultFontRequest();
  // Adds a font; returns its record, or null when the font cannot be made.
  const FontInfo* AddFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                               bool italic);
  // Replaces the default font; null (the old one kept) when it cannot be made.
  const FontInfo* SetDefaultFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                                      bool italic);
  const FontInfo* DefaultFont() const { return defaultFont_.get(); }
  const FontInfo* FontAt(int index) const;
  std::size_t FontCount() const { return fonts_.size(); }
  // The record of a font handle: this manager's, the parent resource
  // manager's, or else the default font.
  const FontInfo* FindFont(const os::Font* handle) const;
  // A font by its whole description, here or in the parent resource manager;
  // null when there is none.
  const FontInfo* FindFont(std::u16string_view faceName, int size, bool bold, bool underline,
                           bool italic) const;
  // FindFont by description, adding the font to this manager on a miss.
  const FontInfo* FontOrAdd(std::u16string_view faceName, int size, bool bold, bool underline, bool italic);
  // Position of a font handle in this manager's list, −1 when not there.
  int FontIndex(const os::Font* handle) const;
  void RemoveAllFonts();

  // Where font, image and default-list lookups continue when they fail here.
  // Refused (false) when the manager would become its own ancestor.
  bool SetParentResourceManager(UIManager* parent);
  UIManager* ParentResourceManager() const { return parentResources_; }

  // ------------------------------------------------------------------------
  // 3. Images, decoded by the renderer and kept by name.

  // Loads and adds an image. With a resource type the name must begin with a
  // digit (a decimal resource identifier). Null when it cannot be found or
  // decoded, or when the name is taken (the new image is then discarded).
  const ImageInfo* AddImageEntry(std::u16string_view name, std::u16string_view type = {}, os::DWORD mask = 0);
  // Here, then in the parent resource manager.
  const ImageInfo* FindImage(std::u16string_view name) const;
  const ImageEntry* FindImageEntry(std::u16string_view name) const;
  // Looks the name up and loads it on a miss.
  const ImageInfo* ImageOrLoad(std::u16string_view name, std::u16string_view type = {}, os::DWORD mask = 0);
  bool RemoveImage(std::u16string_view name);
  void RemoveAllImages();

  // ------------------------------------------------------------------------
  // 4. Default attribute lists (per control tag), default colours (ARGB) and
  //    the window's colour adjustment.

  // Keeps the first list stored for a tag; false when one is there already.
  bool AddDefaultAttributes(std::u16string_view tag, std::u16string_view list);
  // Here, then in the parent resource manager; null when neither has one.
  const std::u16string* DefaultAttributesFor(std::u16string_view tag) const;
  void RemoveAllDefaultAttributes() { defaultAttributes_.Clear(); }

  os::DWORD DefaultDisabledColor() const { return disabledColor_; }
  void SetDefaultDisabledColor(os::DWORD argb) { disabledColor_ = argb; }
  os::DWORD DefaultFontColor() const { return fontColor_; }
  void SetDefaultFontColor(os::DWORD argb) { fontColor_ = argb; }
  os::DWORD DefaultLinkFontColor() const { return linkColor_; }
  void SetDefaultLinkFontColor(os::DWORD argb) { linkColor_ = argb; }
  os::DWORD DefaultLinkHoverFontColor() const { return linkHoverColor_; }
  void SetDefaultLinkHoverFontColor(os::DWORD argb) { linkHoverColor_ = argb; }
  os::DWORD DefaultSelectedBkColor() const { return selectedColor_; }
  void SetDefaultSelectedBkColor(os::DWORD argb) { selectedColor_ = argb; }

  // Hue 0–360, saturation and lightness 0–200; 180/100/100 change nothing.
  // Controls with "colorhsl" pass their colours through this adjustment.
  void SetHSL(int hue, int saturation, int lightness);
  int Hue() const { return hue_; }
  int Saturation() const { return saturation_; }
  int Lightness() const { return lightness_; }

  // ------------------------------------------------------------------------
  // 5. Window life cycle and window-level settings.

  // Takes the window the manager serves and joins the process list.
  void Init(os::HWND window);
  os::HWND Window() const { return window_; }
  // Makes control the root of the window's tree (see the .cpp for the order
  // of things); false for a null control. The root already attached stays
  // as it is (true): it is neither destroyed as the old root nor set up again.
  bool AttachRoot(CControlUI* control);
  // The owning form of AttachRoot: the manager keeps the tree until another
  // root replaces it or the manager goes.
  bool AdoptRoot(std::unique_ptr<CControlUI> root);
  CControlUI* Root() const { return root_.get(); }
  // Attaches a control (and its subtree) to this manager under parent and
  // enters its named controls, as containers do for children added later.
  void InitControls(CControlUI* control, CControlUI* parent = nullptr);

  os::SIZE ClientSize() const;
  os::SIZE InitialSize() const { return initialSize_; }
  // Stored; before a root is attached the window is also resized to it.
  void SetInitialSize(int cx, int cy);
  os::RECT SizingBorder() const { return sizingBorder_; }
  void SetSizingBorder(const os::RECT& border) { sizingBorder_ = border; }
  os::RECT CaptionArea() const { return captionArea_; }
  void SetCaptionArea(const os::RECT& caption) { captionArea_ = caption; }
  os::SIZE CornerRound() const { return cornerRound_; }
  void SetCornerRound(int cx, int cy) { cornerRound_ = os::SIZE{cx, cy}; }
  os::SIZE MinTrackSize() const { return minTrack_; }
  void SetMinTrackSize(int cx, int cy) { minTrack_ = os::SIZE{cx, cy}; }
  os::SIZE MaxTrackSize() const { return maxTrack_; }
  void SetMaxTrackSize(int cx, int cy) { maxTrack_ = os::SIZE{cx, cy}; }
  int WindowOpacity() const { return opacity_; }
  // Stores the value clamped to 0–255; a value inside 0–255 makes the window
  // layered with that constant alpha, any other removes the layered style.
  void SetWindowOpacity(int opacity);
  bool IsLayeredBackground() const { return layeredBackground_; }
  void SetLayeredBackground(bool layered);
  bool IsGdiplusText() const { return gdiplusText_; }
  void SetGdiplusText(bool on) { gdiplusText_ = on; }
  bool IsOffscreenPaint() const { return offscreenPaint_; }
  void SetOffscreenPaint(bool on) { offscreenPaint_ = on; }
  CShadowUI& Shadow() { return shadow_; }
  const CShadowUI& Shadow() const { return shadow_; }

  // Whether the window has been restored from minimised and awaits its full
  // repaint (layered windows).
  bool IsRestoring() const { return restoring_; }

  // ------------------------------------------------------------------------
  // 6. Controls.

  // The topmost visible, hit-testable control at a client point, or null.
  CControlUI* FindControlAt(os::POINT point) const;
  // The control entered under name (the later of two with one name), or null.
  CControlUI* FindControlByName(std::u16string_view name) const;

  CControlUI* Focus() const { return focus_; }
  CControlUI* Hot() const { return hot_; }
  CControlUI* Captured() const { return captured_; }
  CControlUI* KeyPressed() const { return keyPressed_; }
  // Client coordinates of the last mouse message, (−1, −1) before any.
  os::POINT LastMousePoint() const { return lastMousePoint_; }
  void SetLastMousePoint(os::POINT point) { lastMousePoint_ = point; }

  // Focusing a control also gives the window the keyboard, except for
  // windows made with WS_EX_NOACTIVATE, which never take it.
  void SetFocus(CControlUI* control);
  bool TakesKeyboardFocus() const;
  // Moves focus to the next (or previous) tab stop, wrapping around.
  bool FocusNextTabStop(bool forward);
  // Clears the focus now and moves it to the tab stop after the one before
  // control once the next layout has run.
  void SetFocusNeeded(CControlUI* control);

  // Starts the control's timer id; false when it is running already or the
  // window's timer cannot start.
  bool SetTimer(CControlUI* control, os::UINT id, os::UINT elapse);
  bool KillTimer(CControlUI* control, os::UINT id);
  void KillTimers(CControlUI* control);
  void RemoveAllTimers();
  const std::vector<TimerInfo>& Timers() const { return timers_; }

  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return mouseCaptured_; }

  bool AddOptionGroup(std::u16string_view group, CControlUI* control);
  const std::vector<CControlUI*>* OptionGroup(std::u16string_view group) const;
  void RemoveOptionGroup(std::u16string_view group, CControlUI* control);
  void RemoveAllOptionGroups() { optionGroups_.Clear(); }

  bool AddPostPaint(CControlUI* control);
  bool RemovePostPaint(CControlUI* control);
  const std::vector<CControlUI*>& PostPaintControls() const { return postPaint_; }

  // Takes the control and destroys it when the window next handles the
  // delayed-destroy message, which this posts. A control already waiting is
  // not taken twice.
  void DestroyLater(std::unique_ptr<CControlUI> control);
  // Drops every reference to a control that is being destroyed.
  void ForgetControl(CControlUI* control);

  // Marks a rectangle of the window for repainting.
  void Invalidate(const os::RECT& rect);
  // A layout pass runs at the next paint.
  void NeedLayout() { layoutNeeded_ = true; }
  bool IsLayoutNeeded() const { return layoutNeeded_; }
  bool IsFocusPassNeeded() const { return focusPassNeeded_; }
  bool IsFirstLayoutPending() const { return firstLayoutPending_; }

  // Notifications carry the sender's virtual window name from now on.
  void UsedVirtualWnd(bool used) { virtualWndUsed_ = virtualWndUsed_ || used; }
  bool IsVirtualWndUsed() const { return virtualWndUsed_; }

  // The caret of the control that edits text in place: a rectangle filled in
  // the owner's text colour while shown, blinking with timer 241.
  bool CreateCaret(CControlUI* owner, int width, int height, os::DWORD color = 0);
  void DestroyCaret();
  void SetCaretPos(os::POINT pos);
  // Starts or stops the blink timer (and shows or hides the caret).
  void ShowCaret(bool on);
  bool IsCaretShown() const { return caretShown_; }
  CControlUI* CaretOwner() const { return caretOwner_; }
  os::RECT CaretRect() const { return caretRect_; }

  // ------------------------------------------------------------------------
  // 7. Notifications, filters and accelerators.

  void SendNotify(CControlUI* sender, std::u16string_view type, os::WPARAM wParam = 0, os::LPARAM lParam = 0,
                  bool posted = false);
  void SendNotify(NotifyMsg& msg, bool posted = false);
  std::size_t PendingNotifyCount() const { return pendingNotify_.size(); }

  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  bool AddAcceleratorTranslator(ITranslateAccelerator* translator);
  bool RemoveAcceleratorTranslator(ITranslateAccelerator* translator);
  // 0 when a translator handled the message, else 1 (not handled).
  os::LRESULT TranslateAccelerator(os::MSG* msg);

  // Before translation: pre-message filters, Tab, system keys and Alt
  // shortcuts. True when the message is consumed.
  bool PreMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, os::LRESULT& result);

  // ------------------------------------------------------------------------
  // 8. Message handling and painting. True when the manager claims the
  //    message; the window then answers result.

  bool MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, os::LRESULT& result);

  // The back buffer of an opaque window (null before the first paint and
  // after a full relayout); the buffer of a layered window.
  const os::Bitmap* OffscreenBitmap() const { return offscreen_.get(); }
  const os::Bitmap* LayeredBitmap() const { return layered_.get(); }
  // The rectangle last invalidated through Invalidate since the last layered
  // paint.
  os::RECT InvalidRect() const { return invalidRect_; }
  // The tooltip window, created on the first hover over a control with a tip.
  os::HWND ToolTipWindow() const { return toolTip_; }

  // Current keyboard and mouse-button state as event key-state bits: left
  // button 0x01, right button 0x02, Shift 0x04, Ctrl 0x08, Alt 0x20 (the bits
  // mouse messages carry in the low word of their wParam).
  static os::WORD KeyState();

 private:
  void DeliverPendingNotifications();
  void FocusWindow();
  void DeliverNotify(NotifyMsg& msg);
  void EnterNames(CControlUI* control);
  void DestroyDelayed();
  // One control event, stamped with the time.
  void SendEvent(CControlUI* control, int type, os::POINT point, os::WPARAM wParam = 0, os::LPARAM lParam = 0,
                 os::WORD keyState = 0, char16_t key = 0);
  bool HandleMouse(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& claimed);
  // The one route of a button press (left, right, double click) to the
  // control at the point: window focus, capture, the control's focus (not
  // for a double click), the event.
  enum class PressKind { kLeft, kRight, kDouble };
  void RoutePress(PressKind kind, os::WPARAM wParam, os::LPARAM lParam);
  void ShowToolTip(CControlUI* control);
  void HideToolTip();
  void Paint();
  void LayOut();
  void PaintOpaque(const os::RECT& paint);
  void PaintLayered(const os::RECT& paint);
  void PaintTree(os::Canvas& canvas, const os::RECT& paint);
  void DrawCaret(os::Canvas& canvas, const os::RECT& paint);

  // Window.
  os::HWND window_ = nullptr;
  std::unique_ptr<os::Bitmap> offscreen_;
  std::unique_ptr<os::Bitmap> layered_;
  os::RECT invalidRect_{};
  bool restoring_ = false;
  os::HWND toolTip_ = nullptr;
  std::unique_ptr<os::TOOLINFOW> toolInfo_;
  std::u16string toolTipText_;
  CShadowUI shadow_;
  bool gdiplusText_ = false;

  // Control tree and pointer state.
  std::unique_ptr<CControlUI> root_;
  CControlUI* focus_ = nullptr;
  CControlUI* hot_ = nullptr;
  CControlUI* captured_ = nullptr;
  CControlUI* keyPressed_ = nullptr;
  os::POINT lastMousePoint_{-1, -1};

  // Window-level settings.
  os::SIZE minTrack_{};
  os::SIZE maxTrack_{};
  os::SIZE initialSize_{};
  os::RECT sizingBorder_{};
  os::SIZE cornerRound_{};
  os::RECT captionArea_{};
  int opacity_ = 255;

  // Flags.
  os::UINT timerCounter_ = 4096;
  bool firstLayoutPending_ = true;
  bool layoutNeeded_ = false;
  bool focusPassNeeded_ = false;
  bool offscreenPaint_ = true;
  bool layeredBackground_ = false;
  bool mouseTracking_ = false;
  bool mouseCaptured_ = false;
  bool virtualWndUsed_ = false;

  // Listeners and lists.
  std::vector<INotifyUI*> notifiers_;
  std::vector<TimerInfo> timers_;
  std::vector<IMessageFilterUI*> preMessageFilters_;
  std::vector<IMessageFilterUI*> messageFilters_;
  std::vector<CControlUI*> postPaint_;
  std::vector<std::unique_ptr<CControlUI>> delayedDestroy_;
  std::deque<NotifyMsg> pendingNotify_;
  StringMap<CControlUI*> names_;
  StringMap<std::vector<CControlUI*>> optionGroups_;
  std::vector<ITranslateAccelerator*> translators_;

  // Caret.
  CControlUI* caretOwner_ = nullptr;
  os::RECT caretRect_{};
  os::DWORD caretColor_ = 0;
  bool caretEnabled_ = false;
  bool caretShown_ = false;
  bool caretTimerRunning_ = false;

  // Shared resources.
  UIManager* parentResources_ = nullptr;
  std::unique_ptr<FontInfo> defaultFont_;
  std::vector<std::unique_ptr<FontInfo>> fonts_;
  struct ImageSlot {
    std::unique_ptr<ImageInfo> image;
    ImageEntry entry;
  };
  StringMap<std::unique_ptr<ImageSlot>> images_;
  StringMap<std::u16string> defaultAttributes_;
  os::DWORD disabledColor_ = 0xFFA7A6AA;
  os::DWORD fontColor_ = 0xFF000001;
  os::DWORD linkColor_ = 0xFF0000FF;
  os::DWORD linkHoverColor_ = 0xFFD3215F;
  os::DWORD selectedColor_ = 0xFFBAE4FF;
  int hue_ = 180;
  int saturation_ = 100;
  int lightness_ = 100;
};

}  // namespace Kesto
