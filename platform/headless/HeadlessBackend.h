// The headless backend: a virtual screen, a virtual clock, in-memory surfaces
// that keep their last presented frame, message boxes answered from a queue,
// and windows of pretend other processes. Tests reach it through
// platform/headless/Headless.h.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/headless/Headless.h"
#include "platform/window/Backend.h"

namespace os::headless {

class HeadlessBackend final : public Backend {
 public:
  struct Surface {
    HWND hwnd = nullptr;
    RECT rect;
    std::u16string title;
    SurfaceId owner = 0;
    bool visible = false;
    SurfaceState state = SurfaceState::Normal;
    bool layered = false;
    bool perPixelAlpha = false;  // the last frame came from PresentLayered
    BYTE frameAlpha = 255;       // its constant alpha
    BYTE opacity = 255;          // SetSurfaceOpacity
    std::optional<WindowShape> shape;
    CursorShape cursor = CursorShape::Arrow;
    bool captured = false;
    int presents = 0;
    DeviceScale scale;           // the desktop's density for the surface
    DeviceScale presentedScale;  // the density of the last pixels presented
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // premultiplied BGRA, width * 4 per row
  };

  struct Foreign {
    ForeignWindowInfo info;
    bool closesOnRequest = true;
  };

  HeadlessBackend();

  std::string_view Name() const override { return "headless"; }
  void Attach(BackendEvents* events) override { events_ = events; }
  std::uint64_t NowMs() override;
  void Wait(std::optional<std::uint32_t> timeoutMs) override;
  void Wake() override;
  SurfaceId CreateSurface(const SurfaceParams& params) override;
  void DestroySurface(SurfaceId surface) override;
  void ShowSurface(SurfaceId surface, bool visible, bool activate) override;
  void MoveSurface(SurfaceId surface, const RECT& screenRect) override;
  void SetSurfaceTitle(SurfaceId surface, std::u16string_view title) override;
  void SetSurfaceOwner(SurfaceId surface, SurfaceId owner) override;
  void SetSurfaceShape(SurfaceId surface, const WindowShape* shape) override;
  void SetSurfaceLayered(SurfaceId surface, bool layered) override;
  void SetSurfaceOpacity(SurfaceId surface, BYTE alpha) override;
  void SetSurfaceState(SurfaceId surface, SurfaceState state) override;
  void RaiseSurface(SurfaceId) override {}
  void ActivateSurface(SurfaceId) override {}
  void Present(SurfaceId surface, const PixelView& source, POINT sourceOrigin, const RECT& target) override;
  void PresentLayered(SurfaceId surface, const PixelView& frame, BYTE constantAlpha) override;
  DeviceScale SurfaceScale(SurfaceId surface) override;
  void SetCursor(SurfaceId surface, CursorShape shape) override;
  void SetCapture(SurfaceId surface) override;
  bool BeginMoveDrag(SurfaceId surface, MouseButton button, POINT screen, DWORD time) override;
  bool BeginResizeDrag(SurfaceId surface, UINT edge, MouseButton button, POINT screen, DWORD time,
                       SIZE minTrack, SIZE maxTrack) override;
  std::vector<MonitorDesc> Monitors() override;
  std::vector<ForeignWindowInfo> ForeignWindows() override;
  bool PostToForeign(ForeignId window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool CloseForeign(ForeignId window) override;
  int ShowMessageBox(SurfaceId owner, std::u16string_view text, std::u16string_view caption,
                     UINT type) override;
  void ShowTooltip(SurfaceId owner, std::u16string_view text, POINT screen, int maxWidth) override;
  void HideTooltip(SurfaceId owner) override;
  std::unique_ptr<NativeEdit> CreateNativeEdit(SurfaceId surface, NativeEditEvents* events) override {
    return nativeEditFactory_ ? nativeEditFactory_(surface, events) : nullptr;
  }
  std::unique_ptr<NativeCalendar> OpenNativeCalendar(SurfaceId surface, const RECT& anchor,
                                                     const SYSTEMTIME& date,
                                                     NativeCalendarEvents* events) override;

  void SetClipboardText(std::u16string_view text) override { clipboard_.assign(text); }
  std::u16string ClipboardText() override { return clipboard_; }
  void SetImeCaretRect(SurfaceId surface, const RECT& caret) override { imeCaret_[surface] = caret; }
  std::optional<SurfaceFrame> SurfacePixels(SurfaceId surface) override;
  std::unique_ptr<BrowserEngine> CreateDefaultBrowserEngine(BrowserEngineHost* host) override;

  // --- for the test API (UI thread) ---
  std::optional<RECT> ImeCaretRect(SurfaceId surface) const {
    auto it = imeCaret_.find(surface);
    return it == imeCaret_.end() ? std::nullopt : std::optional<RECT>(it->second);
  }
  BackendEvents* events() const { return events_; }
  const Surface* FindSurface(SurfaceId surface) const;
  void SetMonitors(std::vector<MonitorDesc> monitors) { monitors_ = std::move(monitors); }
  // The surface now lies on a screen of this density; it is reported exposed.
  void SetScale(SurfaceId surface, DeviceScale scale);
  void SetClock(std::uint64_t now);
  ForeignId AddForeign(const ForeignWindowDesc& foreign);
  bool RemoveForeign(ForeignId id);
  std::vector<ForeignMessage> MessagesOf(ForeignId id) const;
  int CloseRequestsOf(ForeignId id) const;
  std::deque<int>& answers() { return answers_; }
  std::vector<MessageBoxRecord>& boxes() { return boxes_; }
  const TooltipRecord& tooltip() const { return tooltip_; }
  SurfaceId captured() const { return captured_; }
  void SetAcceptNativeDrags(bool accept) { acceptNativeDrags_ = accept; }
  void SetNativeEditFactory(NativeEditFactory factory) { nativeEditFactory_ = std::move(factory); }
  const std::optional<NativeDrag>& lastNativeDrag() const { return lastNativeDrag_; }
  // The open drop-down calendar (at most one, as a desktop grab allows);
  // the calendar object clears it when it closes.
  struct Calendar {
    SurfaceId owner = 0;
    RECT anchor;
    SYSTEMTIME date;
    NativeCalendarEvents* events = nullptr;
    const NativeCalendar* object = nullptr;
  };
  std::shared_ptr<std::optional<Calendar>> calendar() const { return calendar_; }

 private:
  Surface* Find(SurfaceId surface);
  static void Resize(Surface& s, int width, int height);

  BackendEvents* events_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  std::uint64_t now_ = kStartTick;

  std::map<SurfaceId, Surface> surfaces_;
  SurfaceId nextSurface_ = 1;
  std::vector<MonitorDesc> monitors_;
  std::vector<Foreign> foreign_;  // topmost first
  ForeignId nextForeign_ = 0x0A000001;
  std::map<ForeignId, std::vector<ForeignMessage>> foreignMessages_;
  std::map<ForeignId, int> closeRequests_;
  std::deque<int> answers_;
  std::vector<MessageBoxRecord> boxes_;
  TooltipRecord tooltip_;
  SurfaceId captured_ = 0;
  bool acceptNativeDrags_ = false;
  std::optional<NativeDrag> lastNativeDrag_;
  NativeEditFactory nativeEditFactory_;
  std::shared_ptr<std::optional<Calendar>> calendar_ = std::make_shared<std::optional<Calendar>>();
  std::u16string clipboard_;
  std::map<SurfaceId, RECT> imeCaret_;
};

// The current backend when it is the headless one.
HeadlessBackend* Instance();

}  // namespace os::headless
