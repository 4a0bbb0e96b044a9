// The UI thread's message queue: posting from any thread, sending (with
// cross-thread sends answered inside GetMessage/PeekMessage), retrieval in the
// Win32 order, WM_CHAR translation, dispatch and timers.
#include <algorithm>

#include "platform/base/Assert.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

bool InRange(UINT message, UINT first, UINT last) {
  if (first == 0 && last == 0) return true;
  return message >= first && message <= last;
}

bool MatchesWindow(HWND hwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) return hwnd == nullptr;
  return hwnd == filter || IsChild(filter, hwnd);
}

LRESULT SendToForeign(const WindowPtr& w, UINT message, WPARAM wParam, LPARAM lParam) {
  Backend& backend = Sys().backend();
  switch (message) {
    case WM_CLOSE:
      backend.CloseForeign(w->foreignId);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        backend.CloseForeign(w->foreignId);
        return 0;
      }
      backend.PostToForeign(w->foreignId, message, wParam, lParam);
      return 0;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      const int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      const int n = std::min(static_cast<int>(w->text.size()), size - 1);
      std::copy_n(w->text.begin(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    default:
      // Another process answers nothing we could wait for: deliver it as posted.
      backend.PostToForeign(w->foreignId, message, wParam, lParam);
      return 0;
  }
}

// Characters of the US keyboard layout.
char16_t CharFromKey(UINT vk, bool shift, bool ctrl, bool caps) {
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(vk - 'A' + 1);
    switch (vk) {
      case VK_OEM_4:
        return 0x1B;
      case VK_OEM_5:
        return 0x1C;
      case VK_OEM_6:
        return 0x1D;
      case VK_RETURN:
        return 0x0A;
      case VK_BACK:
        return 0x7F;
      case VK_SPACE:
        return u' ';
      case VK_ESCAPE:
        return 0x1B;
      default:
        return 0;
    }
  }
  if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>((shift != caps) ? vk : vk + 32);
  if (vk >= '0' && vk <= '9') {
    static const char16_t shifted[] = u")!@#$%^&*(";
    return shift ? shifted[vk - '0'] : static_cast<char16_t>(vk);
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char16_t>(u'0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE:
      return u' ';
    case VK_RETURN:
      return u'\r';
    case VK_TAB:
      return u'\t';
    case VK_BACK:
      return 0x08;
    case VK_ESCAPE:
      return 0x1B;
    case VK_MULTIPLY:
      return u'*';
    case VK_ADD:
      return u'+';
    case VK_SUBTRACT:
      return u'-';
    case VK_DECIMAL:
      return u'.';
    case VK_DIVIDE:
      return u'/';
    case VK_OEM_1:
      return shift ? u':' : u';';
    case VK_OEM_PLUS:
      return shift ? u'+' : u'=';
    case VK_OEM_COMMA:
      return shift ? u'<' : u',';
    case VK_OEM_MINUS:
      return shift ? u'_' : u'-';
    case VK_OEM_PERIOD:
      return shift ? u'>' : u'.';
    case VK_OEM_2:
      return shift ? u'?' : u'/';
    case VK_OEM_3:
      return shift ? u'~' : u'`';
    case VK_OEM_4:
      return shift ? u'{' : u'[';
    case VK_OEM_5:
      return shift ? u'|' : u'\\';
    case VK_OEM_6:
      return shift ? u'}' : u']';
    case VK_OEM_7:
      return shift ? u'"' : u'\'';
    default:
      return 0;
  }
}

}  // namespace

char16_t CharOfKeyMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return 0;
  const UINT vk = LOWORD(msg.wParam);
  if (vk == VK_PACKET) return static_cast<char16_t>(HIWORD(msg.wParam));
  const KeyState& keys = Sys().input().Keys();
  const bool shift = keys.IsDown(VK_SHIFT);
  const bool ctrl = keys.IsDown(VK_CONTROL);
  const bool alt = keys.IsDown(VK_MENU);
  const bool caps = keys.IsToggled(VK_CAPITAL);
  return CharFromKey(vk, shift, ctrl && !alt, caps);
}

std::uint64_t Now() { return Sys().backend().NowMs(); }

void PostToQueue(const MSG& msg) { Sys().queue().Post(msg); }

void ProcessCrossThreadSends() {
  WindowSystem& sys = Sys();
  ThreadQueue& queue = sys.queue();
  while (CrossThreadSend* send = queue.TakeCrossSend()) {
    LRESULT result = 0;
    if (auto w = Lookup(send->hwnd)) {
      const bool was = queue.SetInCrossSend(true);
      result = w->foreign ? SendToForeign(w, send->message, send->wParam, send->lParam)
                          : Send(w, send->message, send->wParam, send->lParam);
      queue.SetInCrossSend(was);
    }
    queue.Complete(send, result);
  }
}

void RemoveTimersOf(HWND hwnd) { Sys().timers().RemoveOf(hwnd); }

// The next moment a timer or the hover falls due. Deadlines already passed
// are left out: their messages are waiting (or filtered away) and must not
// turn a wait into a busy loop.
std::optional<std::uint64_t> NextDeadline() {
  WindowSystem& sys = Sys();
  const std::uint64_t now = Now();
  std::optional<std::uint64_t> next = sys.timers().NextDueAfter(now);
  const auto hover = sys.input().HoverDeadline();
  if (hover && *hover > now && (!next || *hover < *next)) next = hover;
  return next;
}

namespace {

bool Deliver(MSG* out, const MSG& msg) {
  *out = msg;
  Sys().queue().RecordRetrieved(msg);
  return true;
}

// Device input: the front event is turned into its message once. None when
// the queue has nothing for the filter; Retry when cooking consumed the event
// or posted something that now comes first.
enum class InputStep { None, Retry, Found };

InputStep TakeInput(MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
  ThreadQueue& queue = Sys().queue();
  InputItem* front = queue.FrontInput();
  if (!front) return InputStep::None;
  if (!front->cooked) {
    front->cooking = true;
    const bool produced = CookInput(*front);
    front->cooking = false;
    if (!produced) {
      queue.PopInput();
      return InputStep::Retry;
    }
    front->cooked = true;
    // Cooking may have posted (WM_MOUSELEAVE): that comes first.
    if (queue.HasPosted()) return InputStep::Retry;
  }
  if (!IsWindow(front->msg.hwnd)) {
    queue.PopInput();
    return InputStep::Retry;
  }
  if (!MatchesWindow(front->msg.hwnd, filter) || !InRange(front->msg.message, first, last))
    return InputStep::None;
  const MSG found = front->msg;
  if (remove) queue.PopInput();
  Deliver(msg, found);
  return InputStep::Found;
}

}  // namespace

bool Retrieve(MSG* msg, HWND filter, UINT first, UINT last, bool remove, bool allowQuit) {
  // Windows, their procedures and the input state belong to the UI thread;
  // other threads post or send and let it retrieve.
  LUMORA_ASSERT(OnUiThread(), "only the UI thread retrieves messages");
  WindowSystem& sys = Sys();
  ThreadQueue& queue = sys.queue();
  ProcessCrossThreadSends();
  sys.backend().Wait(0);
  ProcessCrossThreadSends();
  HoverDue();

  for (int round = 0; round < 1024; ++round) {
    // Posted messages first; those of windows destroyed meanwhile are dropped.
    auto posted = queue.TakePosted(
        [&](const MSG& m) { return MatchesWindow(m.hwnd, filter) && InRange(m.message, first, last); },
        remove);
    if (posted) return Deliver(msg, *posted);
    const InputStep step = TakeInput(msg, filter, first, last, remove);
    if (step == InputStep::Found) return true;
    if (step == InputStep::None) break;
  }

  if (allowQuit && !filter && InRange(WM_QUIT, first, last)) {
    if (auto code = queue.TakeQuit(remove)) {
      *msg =
          MSG{nullptr, WM_QUIT, static_cast<WPARAM>(*code), 0, static_cast<DWORD>(Now()), queue.CursorPos()};
      return true;
    }
  }

  if (InRange(WM_PAINT, first, last)) {
    if (HWND paint = FindWindowToPaint(filter))
      return Deliver(msg, MSG{paint, WM_PAINT, 0, 0, static_cast<DWORD>(Now()), queue.CursorPos()});
  }

  if (InRange(WM_TIMER, first, last)) {
    const std::uint64_t now = Now();
    if (auto t = sys.timers().TakeDue(
            now, [&](HWND h) { return MatchesWindow(h, filter); }, remove)) {
      return Deliver(msg, MSG{t->hwnd, WM_TIMER, t->id, reinterpret_cast<LPARAM>(t->proc),
                              static_cast<DWORD>(now), queue.CursorPos()});
    }
  }
  return false;
}

char16_t UsLayoutChar(UINT vk, bool shift, bool ctrl, bool caps) {
  return CharFromKey(vk, shift, ctrl, caps);
}

}  // namespace internal

using namespace internal;

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& sys = Sys();
  if (hwnd == HWND_BROADCAST) {
    if (!OnUiThread()) return FALSE;
    for (HWND h : std::vector<HWND>(sys.windows().TopLevel())) {
      if (LookupOwn(h)) PostMessage(h, message, wParam, lParam);
    }
    return TRUE;
  }
  const auto outcome =
      sys.queue().PostTo(hwnd, message, wParam, lParam, static_cast<DWORD>(sys.backend().NowMs()));
  if (outcome.queued) return TRUE;
  if (!outcome.foreign) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!OnUiThread()) {
    SetLastErrorCode(ERROR_WINDOW_OF_OTHER_THREAD);
    return FALSE;
  }
  return sys.backend().PostToForeign(outcome.foreign, message, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  if (threadId != Sys().UiThreadId()) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return PostMessage(nullptr, message, wParam, lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& sys = Sys();
  if (!OnUiThread()) {
    CrossThreadSend send;
    send.hwnd = hwnd;
    send.message = message;
    send.wParam = wParam;
    send.lParam = lParam;
    if (!sys.queue().SendAndWait(send)) {
      SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    return send.result;
  }
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : std::vector<HWND>(sys.windows().TopLevel())) {
      if (auto w = LookupOwn(h)) Send(w, message, wParam, lParam);
    }
    return 0;
  }
  auto w = Lookup(hwnd);
  if (!w || w->desktop) {
    if (!w) SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->foreign) return SendToForeign(w, message, wParam, lParam);
  return Send(w, message, wParam, lParam);
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (OnUiThread()) {
    if (!IsWindow(hwnd) && hwnd != HWND_BROADCAST) return FALSE;
    SendMessage(hwnd, message, wParam, lParam);
    return TRUE;
  }
  return PostMessage(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { Sys().queue().PostQuit(exitCode); }

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) return FALSE;
  return Retrieve(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, true) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)) && !IsWindow(hwnd)) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  WindowSystem& sys = Sys();
  for (;;) {
    if (Retrieve(msg, hwnd, filterMin, filterMax, true, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    sys.backend().Wait(sys.TimeToNextDeadline());
  }
}

BOOL WaitMessage() {
  WindowSystem& sys = Sys();
  MSG msg;
  if (Retrieve(&msg, nullptr, 0, 0, false, true)) return TRUE;
  sys.backend().Wait(sys.TimeToNextDeadline());
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
    return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
  }
  if (const char16_t c = CharOfKeyMessage(*msg)) {
    const UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    PostToQueue(MSG{msg->hwnd, charMessage, c, msg->lParam, msg->time, msg->pt});
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // A timer procedure runs only while its timer still exists.
    const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (Sys().timers().HasProc(msg->hwnd, msg->wParam, proc))
      proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  auto w = LookupOwn(msg->hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return Send(w, msg->message, msg->wParam, msg->lParam);
}

BOOL InSendMessage() { return Sys().queue().InCrossSend() ? TRUE : FALSE; }
DWORD GetMessageTime() { return Sys().queue().LastMessageTime(); }
DWORD GetMessagePos() {
  POINT p = Sys().queue().LastMessagePos();
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  WindowSystem& sys = Sys();
  if (hwnd && !LookupOwn(hwnd)) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const std::size_t before = sys.timers().Count();
  const UINT_PTR given = sys.timers().Set(hwnd, id, elapse, proc, Now());
  if (sys.timers().Count() != before) sys.backend().Wake();  // a deadline the wait does not know yet
  return given;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  if (Sys().timers().Kill(hwnd, id)) return TRUE;
  SetLastErrorCode(ERROR_TIMER_NOT_FOUND);
  return FALSE;
}

DWORD GetTickCount() { return static_cast<DWORD>(Now()); }
std::uint64_t GetTickCount64() { return Now(); }
UINT GetDoubleClickTime() { return kDoubleClickTime; }
UINT GetCaretBlinkTime() { return kCaretBlinkTime; }

}  // namespace os
