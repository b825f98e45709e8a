#include "platform/win32/win32_desktop.h"

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_exception_guard.h"
#include "platform/win32/win32_handles.h"

#include <commdlg.h>

#include <cstring>

namespace kestrane::win32 {

namespace {

// One window class per process: Kestrane's button. The procedure hands every message to the
// core's handler, behind a guard of its own; no exception may cross back into the system.
WindowMessageHandler *g_handler = nullptr;

struct Delivery {
  WindowMessageHandler *handler;
  WindowMessage message;
  MessageResult result;
};

LRESULT CALLBACK ForwardingProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  WindowMessageHandler *handler = g_handler;
  if (handler == nullptr) return DefWindowProcA(window, id, wParam, lParam);
  Delivery delivery{handler, {FromHwnd(window), id, wParam, lParam}, {}};
  if (id == WM_WINDOWPOSCHANGED && lParam != 0) {
    const auto *position = reinterpret_cast<const WINDOWPOS *>(lParam);
    delivery.message.x = position->x;
    delivery.message.y = position->y;
  }
  Fault fault = RunGuarded(
      [](void *d) {
        auto *delivery = static_cast<Delivery *>(d);
        delivery->result = delivery->handler->OnMessage(delivery->message);
      },
      &delivery);
  if (fault.raised) {
    handler->OnFault(fault);  // the message counts as handled
    return 0;
  }
  if (delivery.result.handled) return delivery.result.value;
  return DefWindowProcA(window, id, wParam, lParam);
}

// The boxes and dialogs of this thread when a modal call began: those a fault abandoned are
// the newer ones, whose loops no longer run. They are closed, and their owners enabled again.
class ThreadDialogs {
 public:
  ThreadDialogs() { count_ = Collect(seen_); }

  void CloseNewer() const {
    HWND now[kMost];
    const int count = Collect(now);
    for (int i = 0; i < count; ++i) {
      if (Seen(now[i])) continue;
      HWND owner = GetWindow(now[i], GW_OWNER);
      ::DestroyWindow(now[i]);
      if (owner != nullptr) EnableWindow(owner, TRUE);
    }
  }

 private:
  static constexpr int kMost = 32;
  struct Found {
    HWND *into;
    int count;
  };

  static BOOL CALLBACK Note(HWND window, LPARAM f) {
    auto *found = reinterpret_cast<Found *>(f);
    char name[8] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0) found->into[found->count++] = window;
    return found->count < kMost;
  }

  static int Collect(HWND *into) {
    Found found{into, 0};
    EnumThreadWindows(GetCurrentThreadId(), Note, reinterpret_cast<LPARAM>(&found));
    return found.count;
  }

  bool Seen(HWND window) const {
    for (int i = 0; i < count_; ++i) {
      if (seen_[i] == window) return true;
    }
    return false;
  }

  HWND seen_[kMost];
  int count_ = 0;
};

Fault RunModal(void (*call)(void *), void *context) {
  ThreadDialogs before;
  Fault fault = RunGuarded(call, context);
  if (fault.raised) before.CloseNewer();
  return fault;
}

HWND InsertAfter(ZOrder order) {
  switch (order) {
    case ZOrder::kTopMost: return HWND_TOPMOST;
    case ZOrder::kNotTopMost: return HWND_NOTOPMOST;
    case ZOrder::kUnchanged: break;
  }
  return nullptr;
}

}  // namespace

bool Win32Desktop::RegisterWindowClass(const WindowClassRequest &request) {
  WNDCLASSA wc{};
  wc.style = request.style;
  wc.lpfnWndProc = ForwardingProc;
  wc.hInstance = ToHmodule(request.module);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = request.name;
  // Set before registering: the procedure may run as soon as the class exists.
  WindowMessageHandler *previous = g_handler;
  g_handler = request.handler;
  if (RegisterClassA(&wc) != 0) return true;
  g_handler = previous;  // a window of the class already registered keeps its handler
  return false;
}

void Win32Desktop::UnregisterWindowClass(const char *name, ModuleHandle module) {
  UnregisterClassA(name, ToHmodule(module));
  g_handler = nullptr;
}

WindowHandle Win32Desktop::MakeWindow(const WindowRequest &r) {
  return FromHwnd(CreateWindowExA(r.exStyle, r.className, nullptr, r.style, r.x, r.y, r.width,
                                  r.height, nullptr, nullptr, ToHmodule(r.module), nullptr));
}

void Win32Desktop::DestroyWindow(WindowHandle window) { ::DestroyWindow(ToHwnd(window)); }

void Win32Desktop::HideWindow(WindowHandle window) { ShowWindow(ToHwnd(window), SW_HIDE); }

bool Win32Desktop::IsVisible(WindowHandle window) { return IsWindowVisible(ToHwnd(window)) != 0; }

std::uint32_t Win32Desktop::ExStyle(WindowHandle window) {
  return static_cast<std::uint32_t>(GetWindowLongA(ToHwnd(window), GWL_EXSTYLE));
}

bool Win32Desktop::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
  // The previous style comes back, and may be 0: only the error tells a failure.
  SetLastError(ERROR_SUCCESS);
  return SetWindowLongA(ToHwnd(window), GWL_EXSTYLE, static_cast<LONG>(exStyle)) != 0 ||
         GetLastError() == ERROR_SUCCESS;
}

bool Win32Desktop::SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey,
                                        unsigned char alpha, unsigned flags) {
  // Windows 2000 and later; the core asks only where layering is supported.
  using SetAttributes = BOOL(WINAPI *)(HWND, COLORREF, BYTE, DWORD);
  auto set = LoadedFunction<SetAttributes>("user32.dll", "SetLayeredWindowAttributes");
  return set != nullptr && set(ToHwnd(window), colourKey, alpha, flags) != 0;
}

void Win32Desktop::SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width,
                                int height, unsigned flags) {
  ::SetWindowPos(ToHwnd(window), InsertAfter(order), x, y, width, height, flags);
}

void Win32Desktop::Invalidate(WindowHandle window) {
  InvalidateRect(ToHwnd(window), nullptr, FALSE);
}

bool Win32Desktop::StartTimer(WindowHandle window, unsigned id, unsigned milliseconds) {
  return SetTimer(ToHwnd(window), id, milliseconds, nullptr) != 0;
}

void Win32Desktop::StopTimer(WindowHandle window, unsigned id) { KillTimer(ToHwnd(window), id); }

ScreenSize Win32Desktop::PrimaryScreen() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Path Win32Desktop::ChooseFile(const char *title, const char *filterName, const char *pattern,
                              Fault &fault) {
  // The filter is pairs of zero-terminated texts, ended by an empty one.
  char filter[128] = {};
  std::size_t nameLength = std::strlen(filterName);
  std::size_t patternLength = std::strlen(pattern);
  if (nameLength + patternLength + 3 > sizeof filter) return Path();
  std::memcpy(filter, filterName, nameLength);
  std::memcpy(filter + nameLength + 1, pattern, patternLength);
  using GetOpenFileName = BOOL(WINAPI *)(LPOPENFILENAMEA);
  auto open = commonDialogs_.Function<GetOpenFileName>("GetOpenFileNameA");
  if (open == nullptr) return Path();
  struct Dialog {
    GetOpenFileName open;
    OPENFILENAMEA request;
    Path file;
    bool chosen;
  } dialog{};
  dialog.open = open;
  // The size NT 4.0, 95 and 98 accept; later systems take it as well.
  dialog.request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.request.lpstrFilter = filter;
  dialog.request.lpstrFile = dialog.file.Buffer();
  dialog.request.nMaxFile = Path::kCapacity;  // room for a deep folder
  dialog.request.lpstrTitle = title;
  fault = RunModal(
      [](void *d) {
        auto *dialog = static_cast<Dialog *>(d);
        dialog->chosen = dialog->open(&dialog->request) != 0;
      },
      &dialog);
  if (fault.raised || !dialog.chosen) return Path();
  dialog.file.Resync();
  return dialog.file;
}

int Win32Desktop::ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                                 unsigned style, Fault &fault) {
  struct Box {
    HWND owner;
    const char *text;
    const char *caption;
    UINT style;
    int answer;
  } box{ToHwnd(owner), text, caption, style, 0};
  fault = RunModal(
      [](void *b) {
        auto *box = static_cast<Box *>(b);
        box->answer = MessageBoxA(box->owner, box->text, box->caption, box->style);
      },
      &box);
  return box.answer;  // 0 when the box was abandoned
}

}  // namespace kestrane::win32
