#include "win32/window_lookup.h"

#include <vector>

#include "portable/text_format.h"
#include "win32/shell_state.h"

namespace corvane::win32 {

namespace {

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

HWND FindUnder(HWND parent, const std::string &className) {
  HWND found = nullptr;
  while ((found = FindWindowExA(parent, found, className.c_str(), nullptr)) != nullptr) {
    if (OwnedByThisProcess(found)) return found;
  }
  return nullptr;
}

}  // namespace

std::string ClassOf(HWND window) {
  char name[256] = {};
  if (!window || GetClassNameA(window, name, sizeof name) == 0) return std::string();
  return name;
}

std::string WindowName(HWND window) {
  if (!window) return "wnd:0";
  const std::string name = ClassOf(window);
  return "wnd:" + (name.empty() ? Format("%p?", static_cast<void *>(window)) : name);
}

HWND FindShellWindow(const std::string &className) {
  if (HWND window = FindUnder(nullptr, className)) return window;
  if (Shell().slit) {
    if (HWND window = FindUnder(Shell().slit, className)) return window;
  }
  return FindUnder(HWND_MESSAGE, className);
}

std::string DescribeWindow(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const auto ex = static_cast<unsigned>(GetWindowLongA(window, GWL_EXSTYLE));
  const auto style = static_cast<unsigned>(GetWindowLongA(window, GWL_STYLE));
  HWND parent = GetAncestor(window, GA_PARENT);
  if (parent == GetDesktopWindow()) parent = nullptr;
  return Format("window %s ex=0x%08X style=0x%08X x=%ld y=%ld w=%ld h=%ld visible=%d topmost=%d",
                WindowName(window).c_str(), ex, style, static_cast<long>(rect.left),
                static_cast<long>(rect.top), static_cast<long>(rect.right - rect.left),
                static_cast<long>(rect.bottom - rect.top), IsWindowVisible(window) ? 1 : 0,
                (ex & WS_EX_TOPMOST) ? 1 : 0) +
         " parent=" + WindowName(parent);
}

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
    return std::string();
  }
  std::vector<char> buffer(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, 2000, &copied);
  return std::string(buffer.data());
}

}  // namespace corvane::win32
