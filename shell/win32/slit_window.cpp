// The Slit: a small visible window that docks plug-in windows as its children, stacked.
#include <algorithm>
#include <vector>

#include "host/shell_messages.h"
#include "win32/gradient.h"
#include "win32/handles.h"
#include "win32/shell_state.h"
#include "win32/shell_windows.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

using namespace kestrane;

constexpr char kSlitClass[] = "CorvaneSlit";
constexpr int kMargin = 2;
constexpr int kEmptySize = 24;

std::vector<HWND> &Docked() {
  static std::vector<HWND> docked;
  return docked;
}

// Stacks the docked windows top to bottom and fits the Slit around them, at the screen's
// right edge.
void Layout(HWND slit) {
  auto &docked = Docked();
  docked.erase(std::remove_if(docked.begin(), docked.end(), [](HWND w) { return !IsWindow(w); }),
               docked.end());
  int width = kEmptySize;
  int y = kMargin;
  for (HWND window : docked) {
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, kMargin, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    width = std::max<int>(width, rect.right - rect.left + 2 * kMargin);
    y += rect.bottom - rect.top + kMargin;
  }
  const int height = std::max(kEmptySize, y);
  SetWindowPos(slit, nullptr, GetSystemMetrics(SM_CXSCREEN) - width, 200, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(slit, nullptr, TRUE);
}

void Dock(HWND slit, HWND window) {
  if (!IsWindow(window)) {
    Record("slit add wnd:0 -> not a window");
    return;
  }
  Record("slit add " + WindowName(window));
  if (std::find(Docked().begin(), Docked().end(), window) != Docked().end()) return;
  LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  style = (style & ~static_cast<LONG_PTR>(WS_POPUP | WS_CAPTION | WS_THICKFRAME)) | WS_CHILD;
  SetWindowLongPtrA(window, GWL_STYLE, style);
  SetParent(window, slit);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  Docked().push_back(window);
  Layout(slit);
}

void Release(HWND slit, HWND window) {
  Record("slit remove " + WindowName(window));
  auto &docked = Docked();
  auto found = std::find(docked.begin(), docked.end(), window);
  if (found == docked.end()) return;
  docked.erase(found);
  if (IsWindow(window)) {
    // Back to a top-level window where it was on the screen.
    RECT rect{};
    GetWindowRect(window, &rect);
    SetParent(window, nullptr);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(WS_CHILD)) | WS_POPUP;
    SetWindowLongPtrA(window, GWL_STYLE, style);
    SetWindowPos(window, nullptr, rect.left, rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  }
  Layout(slit);
}

LRESULT CALLBACK SlitProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kSlitMsgAddWindow: Dock(window, reinterpret_cast<HWND>(lParam)); return 0;
    case kSlitMsgRemoveWindow: Release(window, reinterpret_cast<HWND>(lParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      Painting paint(window);
      RECT rect{};
      GetClientRect(window, &rect);
      PaintGradient(paint.dc(), rect, Shell().style, true);
      return 0;
    }
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

HWND CreateSlitWindow(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SlitProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kSlitClass;
  if (!RegisterClassA(&wc)) return nullptr;
  HWND slit = CreateWindowExA(WS_EX_TOOLWINDOW, kSlitClass, "Slit", WS_POPUP | WS_CLIPCHILDREN, 0,
                              0, kEmptySize, kEmptySize, nullptr, nullptr, instance, nullptr);
  if (!slit) return nullptr;
  Layout(slit);
  ShowWindow(slit, SW_SHOWNOACTIVATE);
  return slit;
}

bool IsDocked(HWND window) { return Shell().slit && GetParent(window) == Shell().slit; }

}  // namespace corvane::win32
