// The UI thread's message queue: posting from any thread, sending (with
// cross-thread sends answered inside GetMessage/PeekMessage), retrieval in the
// Win32 order, WM_CHAR translation, dispatch and timers.
#include <algorithm>

#include "platform/Assert.h"
#include "platform/internal/WindowSystem.h"

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
  const BYTE* ks = Sys().keyState;
  const bool shift = ks[VK_SHIFT] & 0x80;
  const bool ctrl = ks[VK_CONTROL] & 0x80;
  const bool alt = ks[VK_MENU] & 0x80;
  const bool caps = ks[VK_CAPITAL] & 0x01;
  return CharFromKey(vk, shift, ctrl && !alt, caps);
}

std::uint64_t Now() { return Sys().backend().NowMs(); }

void PostToQueue(const MSG& msg) {
  WindowSystem& sys = Sys();
  {
    std::lock_guard lock(sys.queueMutex);
    sys.posted.push_back(msg);
  }
  sys.backend().Wake();
}

void ProcessCrossThreadSends() {
  WindowSystem& sys = Sys();
  for (;;) {
    CrossThreadSend* send = nullptr;
    {
      std::lock_guard lock(sys.queueMutex);
      if (sys.crossSends.empty()) return;
      send = sys.crossSends.front();
      sys.crossSends.pop_front();
    }
    LRESULT result = 0;
    if (auto w = Lookup(send->hwnd)) {
      const bool was = sys.inCrossThreadSend;
      sys.inCrossThreadSend = true;
      result = w->foreign ? SendToForeign(w, send->message, send->wParam, send->lParam)
                          : Send(w, send->message, send->wParam, send->lParam);
      sys.inCrossThreadSend = was;
    }
    {
      std::lock_guard lock(sys.queueMutex);
      send->result = result;
      send->done = true;
    }
    sys.sendDone.notify_all();
  }
}

void RemoveTimersOf(HWND hwnd) {
  auto& timers = Sys().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
}

// The next moment a timer or the hover falls due. Deadlines already passed
// are left out: their messages are waiting (or filtered away) and must not
// turn a wait into a busy loop.
std::optional<std::uint64_t> NextDeadline() {
  WindowSystem& sys = Sys();
  const std::uint64_t now = Now();
  std::optional<std::uint64_t> next;
  for (const Timer& t : sys.timers) {
    if (t.due > now && (!next || t.due < *next)) next = t.due;
  }
  if (sys.track.hwnd && sys.track.hoverArmed && sys.track.hoverDue > now &&
      (!next || sys.track.hoverDue < *next)) {
    next = sys.track.hoverDue;
  }
  return next;
}

bool Retrieve(MSG* msg, HWND filter, UINT first, UINT last, bool remove, bool allowQuit) {
  // Windows, their procedures and the input state belong to the UI thread;
  // other threads post or send and let it retrieve.
  LUMORA_ASSERT(OnUiThread(), "only the UI thread retrieves messages");
  WindowSystem& sys = Sys();
  ProcessCrossThreadSends();
  sys.backend().Wait(0);
  ProcessCrossThreadSends();
  HoverDue();

  for (int round = 0; round < 1024; ++round) {
    // Posted messages first; those of windows destroyed meanwhile are dropped.
    {
      std::lock_guard lock(sys.queueMutex);
      for (auto it = sys.posted.begin(); it != sys.posted.end();) {
        if (it->hwnd && !sys.liveHandles.count(reinterpret_cast<std::uintptr_t>(it->hwnd))) {
          it = sys.posted.erase(it);
          continue;
        }
        if (MatchesWindow(it->hwnd, filter) && InRange(it->message, first, last)) {
          *msg = *it;
          if (remove) sys.posted.erase(it);
          sys.lastMessageTime = msg->time;
          sys.lastMessagePos = msg->pt;
          return true;
        }
        ++it;
      }
    }

    // Then input: the front event is turned into its message once.
    InputItem* front = nullptr;
    {
      std::lock_guard lock(sys.queueMutex);
      if (!sys.input.empty() && !sys.input.front().cooking) front = &sys.input.front();
    }
    if (front) {
      if (!front->cooked) {
        front->cooking = true;
        const bool produced = CookInput(*front);
        front->cooking = false;
        if (!produced) {
          std::lock_guard lock(sys.queueMutex);
          sys.input.pop_front();
          continue;
        }
        front->cooked = true;
        // Cooking may have posted (WM_MOUSELEAVE): that comes first.
        std::lock_guard lock(sys.queueMutex);
        if (!sys.posted.empty()) continue;
      }
      if (!IsWindow(front->msg.hwnd)) {
        std::lock_guard lock(sys.queueMutex);
        sys.input.pop_front();
        continue;
      }
      if (MatchesWindow(front->msg.hwnd, filter) && InRange(front->msg.message, first, last)) {
        *msg = front->msg;
        if (remove) {
          std::lock_guard lock(sys.queueMutex);
          sys.input.pop_front();
        }
        sys.lastMessageTime = msg->time;
        sys.lastMessagePos = msg->pt;
        return true;
      }
    }
    break;
  }

  if (allowQuit && !filter && InRange(WM_QUIT, first, last)) {
    std::lock_guard lock(sys.queueMutex);
    if (sys.quitPosted) {
      *msg = MSG{nullptr,      WM_QUIT, static_cast<WPARAM>(sys.quitCode), 0, static_cast<DWORD>(Now()),
                 sys.cursorPos};
      if (remove) sys.quitPosted = false;
      return true;
    }
  }

  if (InRange(WM_PAINT, first, last)) {
    if (HWND paint = FindWindowToPaint(filter)) {
      std::lock_guard lock(sys.queueMutex);
      *msg = MSG{paint, WM_PAINT, 0, 0, static_cast<DWORD>(Now()), sys.cursorPos};
      sys.lastMessageTime = msg->time;
      sys.lastMessagePos = msg->pt;
      return true;
    }
  }

  if (InRange(WM_TIMER, first, last)) {
    const std::uint64_t now = Now();
    Timer* best = nullptr;
    for (Timer& t : sys.timers) {
      if (t.due > now || !MatchesWindow(t.hwnd, filter)) continue;
      if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) best = &t;
    }
    if (best) {
      std::lock_guard lock(sys.queueMutex);
      *msg =
          MSG{best->hwnd,   WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), static_cast<DWORD>(now),
              sys.cursorPos};
      if (remove) {
        // The timer restarts when its message is taken; missed periods are
        // not made up, as on Windows.
        best->due = now + best->elapse;
        best->order = ++sys.timerOrder;
      }
      sys.lastMessageTime = msg->time;
      sys.lastMessagePos = msg->pt;
      return true;
    }
  }
  return false;
}

char16_t UsLayoutChar(UINT vk, bool shift, bool ctrl, bool caps) { return CharFromKey(vk, shift, ctrl, caps); }

}  // namespace internal

using namespace internal;

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& sys = Sys();
  if (hwnd == HWND_BROADCAST) {
    if (!OnUiThread()) return FALSE;
    for (HWND h : std::vector<HWND>(sys.desktop->children)) {
      if (LookupOwn(h)) PostMessage(h, message, wParam, lParam);
    }
    return TRUE;
  }
  ForeignId foreign = 0;
  {
    std::lock_guard lock(sys.queueMutex);
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (hwnd) {
      auto f = sys.liveForeign.find(value);
      if (f != sys.liveForeign.end()) {
        foreign = f->second;
      } else if (!sys.liveHandles.count(value)) {
        SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
    }
    if (!foreign) {
      sys.posted.push_back(
          MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(sys.backend().NowMs()), sys.cursorPos});
    }
  }
  if (foreign) {
    if (!OnUiThread()) {
      SetLastErrorCode(ERROR_WINDOW_OF_OTHER_THREAD);
      return FALSE;
    }
    return sys.backend().PostToForeign(foreign, message, wParam, lParam) ? TRUE : FALSE;
  }
  sys.backend().Wake();
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  if (threadId != Sys().uiThreadId) {
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
    std::unique_lock lock(sys.queueMutex);
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (!sys.liveHandles.count(value) && !sys.liveForeign.count(value)) {
      SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    sys.crossSends.push_back(&send);
    sys.backend().Wake();
    sys.sendDone.wait(lock, [&] { return send.done; });
    return send.result;
  }
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : std::vector<HWND>(sys.desktop->children)) {
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

void PostQuitMessage(int exitCode) {
  WindowSystem& sys = Sys();
  {
    std::lock_guard lock(sys.queueMutex);
    sys.quitPosted = true;
    sys.quitCode = exitCode;
  }
  sys.backend().Wake();
}

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
  WindowSystem& sys = Sys();
  if (msg->message == WM_TIMER && msg->lParam) {
    // A timer procedure runs only while its timer still exists.
    for (const Timer& t : sys.timers) {
      if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
        t.proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
      }
    }
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

BOOL InSendMessage() { return Sys().inCrossThreadSend ? TRUE : FALSE; }
DWORD GetMessageTime() { return Sys().lastMessageTime; }
DWORD GetMessagePos() {
  POINT p = Sys().lastMessagePos;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  WindowSystem& sys = Sys();
  elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  if (hwnd && !LookupOwn(hwnd)) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!hwnd) {
    bool exists = id && std::any_of(sys.timers.begin(), sys.timers.end(),
                                    [&](const Timer& t) { return !t.hwnd && t.id == id; });
    if (!exists) {
      do {
        id = sys.nextThreadTimerId++;
      } while (std::any_of(sys.timers.begin(), sys.timers.end(),
                           [&](const Timer& t) { return !t.hwnd && t.id == id; }));
    }
  }
  const std::uint64_t due = Now() + elapse;
  for (Timer& t : sys.timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse;
      t.proc = proc;
      t.due = due;
      t.order = ++sys.timerOrder;
      return id ? id : 1;
    }
  }
  sys.timers.push_back(Timer{hwnd, id, elapse, proc, due, ++sys.timerOrder});
  sys.backend().Wake();
  return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& timers = Sys().timers;
  auto it = std::find_if(timers.begin(), timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers.end()) {
    SetLastErrorCode(ERROR_TIMER_NOT_FOUND);
    return FALSE;
  }
  timers.erase(it);
  return TRUE;
}

DWORD GetTickCount() { return static_cast<DWORD>(Now()); }
std::uint64_t GetTickCount64() { return Now(); }
UINT GetDoubleClickTime() { return kDoubleClickTime; }
UINT GetCaretBlinkTime() { return kCaretBlinkTime; }

}  // namespace os
