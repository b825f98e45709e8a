// window_maker.exe: another program for the window controllers' end-to-end tests. It opens
// top-level windows of chosen classes and kinds, presses keys as a user would, announces
// foreground changes, and reports how its own windows look to itself, so a test can compare
// them before and after Kestrane touched them. shell/README.md describes it in full.
//
//   window_maker.exe [--name CLASS] [COMMAND [; COMMAND ...]]
//
// The same commands come later by `tell` to its message-only window, class WindowMaker
// unless --name gives another (for two makers at once).
//
//   open CLASS KIND X Y   a 160x100 window at X,Y; KIND plain, keyed (black colour key), alpha
//                         (alpha 200), perpixel (UpdateLayeredWindow) or textbox (an Edit
//                         child over its middle). Layered kinds get their attributes before
//                         they are shown.
//   flood CLASS COUNT     COUNT hidden plain windows (for the benchmark)
//   spawn CLASS COUNT     the same on a thread of their own, which only pumps messages
//   hang MS               writes `maker hanging MS`, then takes no message for MS milliseconds
//   post CLASS FIRST LAST posts every message from FIRST to LAST to the top-level window of
//                         that class, with meaningless parameters: small numbers, and lParam
//                         an address below 64 KB, which no process has mapped; then posts
//                         kPostedAll to the shell's core window
//   close CLASS           destroys that window
//   press KEY CLASS       the cursor to the window's middle, then KEY: space, altspace, escape
//   foreground CLASS      NotifyWinEvent(EVENT_SYSTEM_FOREGROUND) for that window
//   report LABEL          one `maker state LABEL CLASS ex=0x... lwa=...` line per window:
//                         lwa=none, or the flags and the fields they name
//   quit
//
// Every command ends with `maker done COMMAND`; after the command line's, `maker ready`. Lines
// go to the shell's transcript (WM_COPYDATA to the core window named in CORVANE_CORE), or to
// standard output when it runs on its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "portable/program_channel.h"

namespace {

constexpr char kDefaultControlClass[] = "WindowMaker";
constexpr UINT kRunQueued = WM_APP + 1;
constexpr int kWidth = 160, kHeight = 100;
constexpr DWORD kReportTimeoutMs = 10000;
// Posted to the shell's core window after a `post` command's messages, wParam their count. A
// window of the shell's own thread takes its posted messages in order, so once the transcript
// shows this one (`core message 32848 COUNT 0`), every message before it has been taken.
constexpr UINT kPostedAll = WM_APP + 0x50;

struct Made {
  std::string className;
  HWND window;
};

HWND g_core = nullptr;
HWND g_control = nullptr;
std::vector<Made> g_windows;
std::deque<std::string> g_queue;

void Say(const std::string &line) {
  if (g_core == nullptr) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return;
  }
  COPYDATASTRUCT data{};
  data.dwData = corvane::kTranscriptLineTag;
  data.cbData = static_cast<DWORD>(line.size());
  data.lpData = const_cast<char *>(line.data());
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(g_core, WM_COPYDATA, reinterpret_cast<WPARAM>(g_control),
                      reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kReportTimeoutMs, &ignored);
}

HWND Find(const std::string &className) {
  for (const Made &made : g_windows) {
    if (made.className == className) return made.window;
  }
  return nullptr;
}

LRESULT CALLBACK MadeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Alt+space must not open a system menu: its modal loop would stall this program.
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

void Register(const std::string &className) {
  WNDCLASSA existing{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), className.c_str(), &existing)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = MadeProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className.c_str();
  RegisterClassA(&wc);
}

// A 32-bit premultiplied picture, half-transparent red, drawn with UpdateLayeredWindow.
void DrawPerPixel(HWND window, int x, int y) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) {
    auto *pixels = static_cast<DWORD *>(bits);
    for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = 0x80800000;
    HGDIOBJ old = SelectObject(memory, bitmap);
    POINT at{x, y}, origin{0, 0};
    SIZE size{kWidth, kHeight};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, screen, &at, &size, memory, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

bool Open(const std::string &className, const std::string &kind, int x, int y, bool show) {
  Register(className);
  const bool layered = kind == "keyed" || kind == "alpha" || kind == "perpixel";
  HWND window = CreateWindowExA(layered ? WS_EX_LAYERED : 0, className.c_str(), className.c_str(),
                                WS_POPUP | WS_BORDER, x, y, kWidth, kHeight, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return false;
  if (kind == "keyed") SetLayeredWindowAttributes(window, RGB(0, 0, 0), 255, LWA_COLORKEY);
  if (kind == "alpha") SetLayeredWindowAttributes(window, 0, 200, LWA_ALPHA);
  if (kind == "perpixel") DrawPerPixel(window, x, y);
  if (kind == "textbox") {
    CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 20, kWidth - 40,
                    kHeight - 40, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  if (show) ShowWindow(window, SW_SHOWNOACTIVATE);
  g_windows.push_back({className, window});
  return true;
}

struct Spawn {
  std::string className;
  int count = 0;
  HANDLE opened = nullptr;  // set once the windows exist
};

DWORD WINAPI SpawnedThread(LPVOID parameter) {
  auto *spawn = static_cast<Spawn *>(parameter);
  for (int i = 0; i < spawn->count; ++i) {
    CreateWindowExA(0, spawn->className.c_str(), spawn->className.c_str(), WS_POPUP | WS_BORDER, 0,
                    0, kWidth, kHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  SetEvent(spawn->opened);  // `spawn` belongs to the waiting thread: not touched after this
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

bool SpawnThread(const std::string &className, int count) {
  Register(className);
  Spawn spawn{className, count, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  if (spawn.opened == nullptr) return false;
  HANDLE thread = CreateThread(nullptr, 0, SpawnedThread, &spawn, 0, nullptr);
  // Waited for to the end: the thread reads `spawn` until then.
  bool opened = thread != nullptr && WaitForSingleObject(spawn.opened, INFINITE) == WAIT_OBJECT_0;
  if (thread != nullptr) CloseHandle(thread);
  CloseHandle(spawn.opened);
  return opened;
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

void Report(const std::string &label) {
  for (const Made &made : g_windows) {
    const auto ex = static_cast<unsigned long>(GetWindowLongA(made.window, GWL_EXSTYLE));
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    std::string lwa = "none";
    // Only the fields the flags name: the others have no effect, and what reads back for them
    // differs between systems.
    if (GetLayeredWindowAttributes(made.window, &key, &alpha, &flags)) {
      lwa = "flags=" + std::to_string(flags);
      if (flags & LWA_COLORKEY) lwa += ",key=" + Hex(key);
      if (flags & LWA_ALPHA) lwa += ",alpha=" + std::to_string(alpha);
    }
    Say("maker state " + label + " " + made.className + " ex=" + Hex(ex) + " lwa=" + lwa);
  }
}

// A post that finds the window's queue full waits for it to drain, up to a point.
bool PostPatiently(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  constexpr int kAttempts = 5000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (PostMessageA(window, message, wParam, lParam)) return true;
    if (!IsWindow(window)) return false;
    Sleep(1);
  }
  return false;
}

bool PostRange(const std::string &className, UINT first, UINT last) {
  HWND window = FindWindowA(className.c_str(), nullptr);
  if (window == nullptr || first > last) return false;
  for (UINT message = first; message <= last; ++message) {
    const WPARAM wParam = message % 32;
    const LPARAM lParam = 0x10 + static_cast<LPARAM>(message % 0xFFF) * 16;
    if (!PostPatiently(window, message, wParam, lParam)) return false;
  }
  return g_core == nullptr || PostPatiently(g_core, kPostedAll, last - first + 1, 0);
}

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

bool Press(const std::string &key, const std::string &className) {
  HWND window = Find(className);
  if (window == nullptr) return false;
  RECT rect{};
  GetWindowRect(window, &rect);
  // The keys come here, where Alt+space opens no menu.
  SetForegroundWindow(window);
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  std::vector<INPUT> inputs;
  if (key == "space") {
    inputs = {Key(VK_SPACE, false), Key(VK_SPACE, true)};
  } else if (key == "altspace") {
    inputs = {Key(VK_MENU, false), Key(VK_SPACE, false), Key(VK_SPACE, true), Key(VK_MENU, true)};
  } else if (key == "escape") {
    inputs = {Key(VK_ESCAPE, false), Key(VK_ESCAPE, true)};
  } else {
    return false;
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool Run(const std::string &command) {
  std::istringstream words(command);
  std::string verb, name, arg;
  words >> verb >> name;
  if (verb == "open") {
    std::string kind;
    int x = 0, y = 0;
    words >> kind >> x >> y;
    return !words.fail() && Open(name, kind, x, y, true);
  }
  if (verb == "flood") {
    int count = 0;
    words >> count;
    for (int i = 0; i < count; ++i) {
      if (!Open(name, "plain", 0, 0, false)) return false;
    }
    return count > 0;
  }
  if (verb == "spawn") {
    int count = 0;
    words >> count;
    return !words.fail() && count > 0 && SpawnThread(name, count);
  }
  if (verb == "hang") {
    // A program stuck in a long computation: sent messages wait until it is over.
    Say("maker hanging " + name);
    Sleep(static_cast<DWORD>(std::strtoul(name.c_str(), nullptr, 10)));
    return true;
  }
  if (verb == "post") {
    std::string first, last;
    words >> first >> last;
    return !words.fail() && PostRange(name, std::strtoul(first.c_str(), nullptr, 0),
                                      std::strtoul(last.c_str(), nullptr, 0));
  }
  if (verb == "close") {
    HWND window = Find(name);
    for (auto it = g_windows.begin(); it != g_windows.end(); ++it) {
      if (it->window == window) {
        g_windows.erase(it);
        break;
      }
    }
    return window != nullptr && DestroyWindow(window);
  }
  if (verb == "press") {
    words >> arg;
    return Press(name, arg);
  }
  if (verb == "foreground") {
    HWND window = Find(name);
    if (window == nullptr) return false;
    NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, CHILDID_SELF);
    return true;
  }
  if (verb == "report") {
    Report(name);
    return true;
  }
  if (verb == "quit") {
    PostQuitMessage(0);
    return true;
  }
  return false;
}

void RunAndSay(const std::string &command) {
  const bool done = Run(command);
  Say(std::string(done ? "maker done " : "maker failed ") + command);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    // Only noted here: the sender waits until this returns.
    const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
    if (data == nullptr || data->dwData != corvane::kTellTag) return FALSE;
    g_queue.emplace_back(static_cast<const char *>(data->lpData), data->cbData);
    PostMessageA(window, kRunQueued, 0, 0);
    return TRUE;
  }
  if (message == kRunQueued) {
    // A message taken from the queue first: Wine delivers a thread's win events only then.
    while (!g_queue.empty()) {
      std::string command = g_queue.front();
      g_queue.pop_front();
      RunAndSay(command);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The command line after the program's name: --name CLASS, then the commands.
std::vector<std::string> CommandLineCommands(std::string &controlClass) {
  std::string line = GetCommandLineA();
  // Skip the program's own name, quoted or not.
  std::size_t at = 0;
  if (!line.empty() && line[0] == '"') {
    at = line.find('"', 1);
    at = at == std::string::npos ? line.size() : at + 1;
  } else {
    at = line.find(' ');
    if (at == std::string::npos) at = line.size();
  }
  std::vector<std::string> commands;
  std::string rest = line.substr(at);
  std::istringstream words(rest);
  std::string word;
  if (words >> word && word == "--name" && words >> controlClass) {
    rest = rest.substr(rest.find(controlClass) + controlClass.size());
  }
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find(';', start);
    if (end == std::string::npos) end = rest.size();
    std::string command = rest.substr(start, end - start);
    command.erase(0, command.find_first_not_of(' '));
    command.erase(command.find_last_not_of(' ') + 1);
    if (!command.empty()) commands.push_back(command);
    start = end + 1;
  }
  return commands;
}

}  // namespace

int main() {
  if (const char *core = std::getenv(corvane::kCoreWindowVariable)) {
    g_core = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoull(core, nullptr, 16)));
  }
  std::string controlClass = kDefaultControlClass;
  const std::vector<std::string> commands = CommandLineCommands(controlClass);
  WNDCLASSA wc{};
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = controlClass.c_str();
  RegisterClassA(&wc);
  g_control = CreateWindowExA(0, controlClass.c_str(), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  if (g_control == nullptr) return 1;
  for (const std::string &command : commands) RunAndSay(command);
  Say("maker ready");

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (const Made &made : g_windows) DestroyWindow(made.window);
  return 0;
}
