// Win32Desktop: other programs' windows and the hooks, for the window controllers.
#include <windows.h>

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

using EnumProcessModulesFn = BOOL(WINAPI *)(HANDLE, HMODULE *, DWORD, LPDWORD);
using GetModuleFileNameExAFn = DWORD(WINAPI *)(HANDLE, HMODULE, LPSTR, DWORD);
using GetLayeredWindowAttributesFn = BOOL(WINAPI *)(HWND, COLORREF *, BYTE *, DWORD *);
using RealGetWindowClassFn = UINT(WINAPI *)(HWND, LPSTR, UINT);
using QueryFullProcessImageNameAFn = BOOL(WINAPI *)(HANDLE, DWORD, LPSTR, PDWORD);

constexpr DWORD kQueryAndRead = 0x0410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista and later
constexpr DWORD kWin32PathForm = 0;      // QueryFullProcessImageNameA: not the native form

BOOL CALLBACK VisitWindow(HWND window, LPARAM visitor) {
  reinterpret_cast<WindowVisitor *>(visitor)->Visit(FromHwnd(window));
  return TRUE;
}

// A process handle, closed on every way out.
class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE process) : process_(process) {}
  ~ProcessHandle() {
    if (process_ != nullptr) CloseHandle(process_);
  }
  ProcessHandle(const ProcessHandle &) = delete;
  ProcessHandle &operator=(const ProcessHandle &) = delete;
  HANDLE get() const { return process_; }

 private:
  HANDLE process_;
};

}  // namespace

void Win32Desktop::ForEachTopLevelWindow(WindowVisitor &visitor) {
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visitor));
}

bool Win32Desktop::WindowExists(WindowHandle window) { return IsWindow(ToHwnd(window)) != 0; }

ClassName Win32Desktop::WindowClass(WindowHandle window) {
  ClassName name;
  // RealGetWindowClassA is NT 4.0 SP3 and 98 or later; before, a window's own class name is all
  // there is (it differs only for windows that subclass a system class).
  auto real = LoadedFunction<RealGetWindowClassFn>("user32.dll", "RealGetWindowClassA");
  HWND hwnd = ToHwnd(window);
  int length = real != nullptr ? static_cast<int>(real(hwnd, name.Buffer(), ClassName::kCapacity))
                               : GetClassNameA(hwnd, name.Buffer(), ClassName::kCapacity);
  if (length <= 0) return ClassName();
  name.Resync();
  return name;
}

Path Win32Desktop::ProcessExecutable(WindowHandle window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(ToHwnd(window), &processId);
  // Vista and later: the only way a 32-bit program reads a 64-bit one's path, and limited
  // rights reach elevated programs too.
  if (auto query = LoadedFunction<QueryFullProcessImageNameAFn>("kernel32.dll",
                                                                "QueryFullProcessImageNameA")) {
    ProcessHandle process(OpenProcess(kQueryLimited, FALSE, processId));
    Path path;
    DWORD length = Path::kCapacity;
    if (process.get() != nullptr && query(process.get(), kWin32PathForm, path.Buffer(), &length) &&
        length > 0) {
      path.Resync();
      return path;
    }
  }
  return ExecutableFromModules(processId);
}

// The first module of the process, its executable, through psapi: before Vista, and for paths
// too long for the query above (psapi cuts them).
Path Win32Desktop::ExecutableFromModules(unsigned long processId) {
  auto enumModules = psapi_.Function<EnumProcessModulesFn>("EnumProcessModules");
  auto moduleFileName = psapi_.Function<GetModuleFileNameExAFn>("GetModuleFileNameExA");
  if (enumModules == nullptr || moduleFileName == nullptr) return Path();
  ProcessHandle process(OpenProcess(kQueryAndRead, FALSE, processId));
  if (process.get() == nullptr) return Path();
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!enumModules(process.get(), &first, sizeof first, &needed) || first == nullptr) {
    return Path();
  }
  Path path;
  DWORD length = moduleFileName(process.get(), first, path.Buffer(), Path::kCapacity);
  if (length == 0) return Path();
  path.Resync();
  return path;
}

bool Win32Desktop::ReadLayeredAttributes(WindowHandle window, LayeredAttributes &attributes) {
  auto read =
      LoadedFunction<GetLayeredWindowAttributesFn>("user32.dll", "GetLayeredWindowAttributes");
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  if (read == nullptr || !read(ToHwnd(window), &key, &alpha, &flags)) return false;
  attributes = {key, alpha, flags};
  return true;
}

ScreenPoint Win32Desktop::CursorPosition() {
  POINT point{};
  GetCursorPos(&point);
  return {point.x, point.y};
}

WindowHandle Win32Desktop::WindowAt(ScreenPoint point) {
  return FromHwnd(WindowFromPoint(POINT{point.x, point.y}));
}

bool Win32Desktop::Post(WindowHandle window, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
  return PostMessageA(ToHwnd(window), message, wParam, lParam) != 0;
}

ThreadId Win32Desktop::WindowThread(WindowHandle window) {
  return GetWindowThreadProcessId(ToHwnd(window), nullptr);
}

bool Win32Desktop::ThreadAnswers(WindowHandle window, unsigned milliseconds) {
  DWORD_PTR ignored = 0;
  // SMTO_BLOCK: nothing else runs on this thread meanwhile.
  if (SendMessageTimeoutA(ToHwnd(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          milliseconds, &ignored) != 0) {
    return true;
  }
  // Refused outright (a program of a higher integrity level) or gone: nothing waits for it.
  // Windows 2000 reports a time-out with no error at all.
  DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_WINDOW_HANDLE;
}

HookHandle Win32Desktop::InstallWinEventHook(unsigned event, WinEventHandler &handler) {
  return hooks_.AddWinEventHook(event, handler);
}

HookHandle Win32Desktop::InstallKeyboardHook(KeyboardHandler &handler) {
  return hooks_.AddKeyboardHook(handler);
}

void Win32Desktop::RemoveHook(HookHandle hook) { hooks_.Remove(hook); }

}  // namespace kestrane::win32
