#include "platform/win32/win32_desktop.h"

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_handles.h"

#include <commdlg.h>

#include <cstring>

namespace kestrane::win32 {

namespace {

// One window class per process: Kestrane's button. The procedure hands every message to the
// core's handler; no exception may cross back into the system.
WindowMessageHandler *g_handler = nullptr;

LRESULT CALLBACK ForwardingProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  if (g_handler != nullptr) {
    try {
      WindowMessage message{FromHwnd(window), id, wParam, lParam};
      if (id == WM_WINDOWPOSCHANGED && lParam != 0) {
        const auto *position = reinterpret_cast<const WINDOWPOS *>(lParam);
        message.x = position->x;
        message.y = position->y;
      }
      MessageResult result = g_handler->OnMessage(message);
      if (result.handled) return result.value;
    } catch (...) {
    }
  }
  return DefWindowProcA(window, id, wParam, lParam);
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

ScreenSize Win32Desktop::PrimaryScreen() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Path Win32Desktop::ChooseFile(const char *title, const char *filterName, const char *pattern) {
  // The filter is pairs of zero-terminated texts, ended by an empty one.
  char filter[128] = {};
  std::size_t nameLength = std::strlen(filterName);
  std::size_t patternLength = std::strlen(pattern);
  if (nameLength + patternLength + 3 > sizeof filter) return Path();
  std::memcpy(filter, filterName, nameLength);
  std::memcpy(filter + nameLength + 1, pattern, patternLength);
  Path file;
  OPENFILENAMEA request{};
  // The size NT 4.0, 95 and 98 accept; later systems take it as well.
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  request.lpstrFilter = filter;
  request.lpstrFile = file.Buffer();
  request.nMaxFile = Path::kCapacity;  // room for a deep folder
  request.lpstrTitle = title;
  if (!GetOpenFileNameA(&request)) return Path();
  file.Resync();
  return file;
}

int Win32Desktop::ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                                 unsigned style) {
  return MessageBoxA(ToHwnd(owner), text, caption, style);
}

}  // namespace kestrane::win32
