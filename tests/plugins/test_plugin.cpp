// A test plug-in for corvane.exe. Built into several DLLs that differ only in what they export
// (one .def file each). Every entry point writes a `plugin FILE CALL ...` line through the
// shell's CVTranscript. FILE.info beside the DLL steers it:
//   CODE=TEXT      pluginInfo(CODE) answers TEXT (\n, \t, \\ escapes); *=TEXT for other codes
//   begin=ACTION   done by every begin function, in file order:
//                  msgbox TEXT | ask TEXT (yes/no) | window | menu | fail (start returns 1)
//                  | load FILE (a DLL beside this one, started with beginPlugin, the way a
//                  plug-in that hosts plug-ins does; ended and freed in endPlugin)
//                  | broam TEXT (sent to the shell, which hands it to every window that takes
//                  bro@ms) | postfault (posts its window a message it faults on)
//                  | notice (raises a warning code, continued by its own unhandled-exception
//                  filter: it comes back only when no guard claims it) | a FAULT below
//   end=FAULT      done by endPlugin first; attach=FAULT by DllMain when the DLL is loaded
//   info=CODE FAULT  done by pluginInfo(CODE); also FAULT badtext: it answers a bad pointer
//   FAULT          fault (writes to address 0x10) | divide (by zero) | recurse (without end)
//                  | throw (an MSVC C++ exception's code) | cppthrow (a C++ throw of this
//                  | plug-in's own runtime, which no frame catches) | illegal | privileged
//                  | (instruction) | exit (ExitProcess)
// Its window (class PluginTest_BASE, BASE the DLL's lower-case name without extension, so
// several copies can run side by side) takes the bro@ms @test.msgbox TEXT, @test.open,
// @test.folder, @test.menu, @test.status TEXT, @test.exit, @test.fault FILE (faults when FILE is
// its own file name), @test.guardpage (posts Kestrane's window a 10901 whose text is a guard page
// of its own) and @test.guardcheck (tells whether that page is still one), and shows its menu on
// a right click.
// shell/README.md describes all of it.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/corvane_api.h"
#include "host/shell_messages.h"

namespace {

constexpr int kSlitMode = -1;
constexpr UINT kExitCode = 9;                    // what the shell's process ends with on "exit"
constexpr DWORD kMsvcCppException = 0xE06D7363;  // the code MSVC's throw raises
constexpr DWORD kNotice = 0x4B000001;            // informational severity
constexpr UINT kFaultMessage = WM_APP + 1;

volatile std::uintptr_t g_badAddress = 0x10;  // volatile: the compiler must not see the fault
volatile int g_zero = 0;
volatile int g_dividend = 7;  // 1 / x the compiler would turn into a comparison
volatile bool g_forever = true;

HMODULE g_self = nullptr;
HWND g_window = nullptr;
HWND g_slit = nullptr;
HMODULE g_loaded = nullptr;
void *g_guardPage = nullptr;
std::map<int, std::string> g_answers;  // keeps the texts handed out by pluginInfo alive

std::string FileNameOf(HMODULE module) {
  char path[MAX_PATH] = {};
  if (!module || GetModuleFileNameA(module, path, MAX_PATH) == 0) return "0";
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// Per copy of the DLL: several test plug-ins may run in one shell.
std::string OwnName(const char *prefix) {
  const std::string file = FileNameOf(g_self);
  return prefix + file.substr(0, file.find_last_of('.'));
}

std::string WindowName(HWND window) {
  char name[256] = {};
  if (!window || GetClassNameA(window, name, sizeof name) == 0) return "wnd:0";
  return std::string("wnd:") + name;
}

std::string Quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

__attribute__((format(printf, 1, 2))) void Say(const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  CVTranscript(("plugin " + FileNameOf(g_self) + " " + text).c_str());
}

std::string Unescape(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The .info file's lines as (key, text) pairs, in order; read once, as a real plug-in's
// answers are fixed.
const std::vector<std::pair<std::string, std::string>> &ReadInfo() {
  static const std::vector<std::pair<std::string, std::string>> lines = [] {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_self, path, MAX_PATH);
    std::string name = path;
    name = name.substr(0, name.find_last_of('.')) + ".info";
    std::vector<std::pair<std::string, std::string>> read;
    std::ifstream in(name);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t equals = line.find('=');
      if (equals != std::string::npos) {
        read.emplace_back(line.substr(0, equals), Unescape(line.substr(equals + 1)));
      }
    }
    return read;
  }();
  return lines;
}

__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  return g_forever ? Recurse(depth + 1) + frame[0] : frame[0];
}

// The ways a plug-in takes its host down; any other action is left alone.
void Misbehave(const std::string &action) {
  if (action == "fault") {
    *reinterpret_cast<volatile int *>(g_badAddress) = 1;
  } else if (action == "divide") {
    Say("divide -> %d", g_dividend / g_zero);
  } else if (action == "recurse") {
    Say("recurse -> %d", Recurse(0));
  } else if (action == "throw") {
    RaiseException(kMsvcCppException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  } else if (action == "cppthrow") {
    Say("cppthrow");
    throw std::runtime_error("not caught by the plug-in");
  } else if (action == "illegal") {
    __builtin_trap();
  } else if (action == "privileged") {
    asm volatile("hlt");
  } else if (action == "exit") {
    Say("exit");
    ExitProcess(kExitCode);
  }
}

// Does every line KEY=ACTION of the .info file.
void MisbehaveOn(const std::string &key) {
  for (const auto &[k, action] : ReadInfo()) {
    if (k == key) Misbehave(action);
  }
}

LONG WINAPI ContinueNotices(EXCEPTION_POINTERS *pointers) {
  return pointers->ExceptionRecord->ExceptionCode == kNotice ? EXCEPTION_CONTINUE_EXECUTION
                                                             : EXCEPTION_CONTINUE_SEARCH;
}

void RaiseNotice() {
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ContinueNotices);
  RaiseException(kNotice, 0, 0, nullptr);
  SetUnhandledExceptionFilter(previous);
  Say("notice -> continued");
}

void PostGuardPage() {
  g_guardPage = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE | PAGE_GUARD);
  HWND kestrane = FindWindowA("Kestrane", nullptr);
  Say("guard page -> %s", g_guardPage && kestrane &&
                                  PostMessageA(kestrane, kestrane::kHostMsgBroam, 0,
                                               reinterpret_cast<LPARAM>(g_guardPage))
                              ? "posted"
                              : "not posted");
}

void CheckGuardPage() {
  MEMORY_BASIC_INFORMATION region{};
  bool armed = g_guardPage && VirtualQuery(g_guardPage, &region, sizeof region) != 0 &&
               (region.Protect & PAGE_GUARD) != 0;
  Say("guard page -> %s", armed ? "armed" : "disarmed");
}

const char *AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    default: return "other";
  }
}

void Box(HWND owner, const std::string &text, UINT style) {
  const std::string caption = "plugin " + FileNameOf(g_self);
  Say("msgbox -> %s", AnswerName(MessageBoxA(owner, text.c_str(), caption.c_str(), style)));
}

void ShowTestMenu() {
  Menu *main = MakeNamedMenu("Plugin Test", OwnName("PluginTest_Main_").c_str(), true);
  MakeMenuItem(main, "Toggle", "@test.toggle", true);
  MakeMenuItemInt(main, "Size", "@test.size", 25, 10, 100);
  MakeMenuNOP(main, "");
  Menu *more = MakeNamedMenu("More", OwnName("PluginTest_More_").c_str(), true);
  MakeMenuItem(more, "Open...", "@test.open", false);
  MakeSubmenu(main, more, "More");
  ShowMenu(main);
}

void OpenFile(HWND owner) {
  char file[MAX_PATH] = {};
  OPENFILENAMEA request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = "All files\0*.*\0";
  request.lpstrFile = file;
  request.nMaxFile = MAX_PATH;
  request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  const bool chosen = GetOpenFileNameA(&request) != 0;
  Say("open -> %s", chosen ? Quoted(file).c_str() : "cancel");
}

void ChooseFolder(HWND owner) {
  const HRESULT com = CoInitialize(nullptr);
  BROWSEINFOA request{};
  request.hwndOwner = owner;
  request.lpszTitle = "Folder";
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  char folder[MAX_PATH] = {};
  LPITEMIDLIST chosen = SHBrowseForFolderA(&request);
  if (chosen) {
    SHGetPathFromIDListA(chosen, folder);
    CoTaskMemFree(chosen);
  }
  Say("folder -> %s", chosen ? Quoted(folder).c_str() : "cancel");
  if (SUCCEEDED(com)) CoUninitialize();
}

void OnBroam(HWND window, const std::string &text) {
  Say("broam %s", Quoted(text).c_str());
  if (text.rfind("@test.msgbox ", 0) == 0) {
    Box(window, text.substr(13), MB_YESNO | MB_ICONQUESTION);
  } else if (text == "@test.open") {
    OpenFile(window);
  } else if (text == "@test.folder") {
    ChooseFolder(window);
  } else if (text == "@test.menu") {
    ShowTestMenu();
  } else if (text == "@test.exit") {
    Misbehave("exit");
  } else if (text == "@test.fault " + FileNameOf(g_self)) {
    Misbehave("fault");
  } else if (text == "@test.guardpage") {
    PostGuardPage();
  } else if (text == "@test.guardcheck") {
    CheckGuardPage();
  } else if (text.rfind("@test.status ", 0) == 0) {
    SendMessageA(GetCVWnd(), kestrane::kHostMsgStatusText, 0,
                 reinterpret_cast<LPARAM>(text.c_str() + 13));
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kestrane::kHostMsgBroam:
      OnBroam(window, lParam ? reinterpret_cast<const char *>(lParam) : "");
      return 0;
    case kestrane::kHostMsgReconfigure: Say("reconfigure"); return 0;
    case kFaultMessage: Misbehave("fault"); return 0;
    case WM_NCRBUTTONUP:
    case WM_RBUTTONUP:
      Say("rclick");
      ShowTestMenu();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT rect;
      GetClientRect(window, &rect);
      MakeStyleGradient(dc, &rect, GetSettingPtr(1), true);
      EndPaint(window, &paint);
      return 0;
    }
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

const UINT kMessages[] = {kestrane::kHostMsgBroam, kestrane::kHostMsgReconfigure, 0};

void CreateTestWindow(HWND slit) {
  const std::string className = OwnName("PluginTest_");
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = g_self;
  wc.lpszClassName = className.c_str();
  RegisterClassA(&wc);
  g_window =
      CreateWindowExA(WS_EX_TOOLWINDOW, className.c_str(), "Plugin Test", WS_POPUP | WS_VISIBLE,
                      100, 100, 40, 20, nullptr, nullptr, g_self, nullptr);
  SendMessageA(GetCVWnd(), kestrane::kHostMsgRegister, reinterpret_cast<WPARAM>(g_window),
               reinterpret_cast<LPARAM>(kMessages));
  if (slit) {
    g_slit = slit;
    SendMessageA(slit, kestrane::kSlitMsgAddWindow, 0, reinterpret_cast<LPARAM>(g_window));
  }
}

using BeginFunction = int (*)(HINSTANCE);
using EndFunction = void (*)(HINSTANCE);

template <typename Function>
Function Entry(HMODULE module, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void LoadBeside(const std::string &file) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(g_self, path, MAX_PATH);
  std::string full = path;
  full = full.substr(0, full.find_last_of("\\/") + 1) + file;
  g_loaded = LoadLibraryA(full.c_str());
  auto begin = g_loaded ? Entry<BeginFunction>(g_loaded, "beginPlugin") : nullptr;
  if (!begin) {
    Say("load %s -> missing", file.c_str());
    return;
  }
  Say("load %s -> %d", file.c_str(), begin(g_loaded));
}

int Begin(const char *call, HINSTANCE module, HWND slit, int mode) {
  if (mode == kSlitMode) {
    Say("%s module=%s slit=%s", call, FileNameOf(module).c_str(), WindowName(slit).c_str());
  } else {
    Say("%s module=%s", call, FileNameOf(module).c_str());
  }
  int result = 0;
  for (const auto &[key, text] : ReadInfo()) {
    if (key != "begin") continue;
    if (text.rfind("msgbox ", 0) == 0) Box(nullptr, text.substr(7), MB_OK | MB_ICONINFORMATION);
    if (text.rfind("ask ", 0) == 0) Box(nullptr, text.substr(4), MB_YESNO | MB_ICONQUESTION);
    if (text == "window") CreateTestWindow(slit);
    if (text == "menu") ShowTestMenu();
    if (text == "fail") result = 1;
    if (text.rfind("load ", 0) == 0) LoadBeside(text.substr(5));
    if (text.rfind("broam ", 0) == 0) {
      SendMessageA(GetCVWnd(), kestrane::kHostMsgBroam, 0,
                   reinterpret_cast<LPARAM>(text.c_str() + 6));
    }
    if (text == "postfault") PostMessageA(g_window, kFaultMessage, 0, 0);
    if (text == "notice") RaiseNotice();
    Misbehave(text);
  }
  return result;
}

}  // namespace

extern "C" {

// "unloaded" tells a test that the library really left the process (FreeLibrary), not just
// that it was ended; nothing is written when the whole process exits.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = module;
    MisbehaveOn("attach");
  }
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) Say("unloaded");
  return TRUE;
}

int beginPlugin(HINSTANCE module) { return Begin("beginPlugin", module, nullptr, 0); }

int beginSlitPlugin(HINSTANCE module, HWND slit) {
  return Begin("beginSlitPlugin", module, slit, kSlitMode);
}

int beginPluginEx(HINSTANCE module, HWND slit) {
  return Begin("beginPluginEx", module, slit, kSlitMode);
}

void endPlugin(HINSTANCE module) {
  Say("endPlugin module=%s", FileNameOf(module).c_str());
  MisbehaveOn("end");
  if (g_loaded) {
    if (auto end = Entry<EndFunction>(g_loaded, "endPlugin")) end(g_loaded);
    FreeLibrary(g_loaded);
    g_loaded = nullptr;
  }
  if (!g_window) return;
  SendMessageA(GetCVWnd(), kestrane::kHostMsgUnregister, reinterpret_cast<WPARAM>(g_window),
               reinterpret_cast<LPARAM>(kMessages));
  if (g_slit) {
    SendMessageA(g_slit, kestrane::kSlitMsgRemoveWindow, 0, reinterpret_cast<LPARAM>(g_window));
  }
  DestroyWindow(g_window);
  UnregisterClassA(OwnName("PluginTest_").c_str(), g_self);
  g_window = nullptr;
}

const char *pluginInfo(int code) {
  Say("pluginInfo %d", code);
  const std::string prefix = std::to_string(code) + " ";
  for (const auto &[key, text] : ReadInfo()) {
    if (key != "info" || text.rfind(prefix, 0) != 0) continue;
    const std::string action = text.substr(prefix.size());
    if (action == "badtext") return reinterpret_cast<const char *>(g_badAddress);
    Misbehave(action);
  }
  std::string answer = "unknown";
  bool exact = false;
  for (const auto &[key, text] : ReadInfo()) {
    if (key == std::to_string(code)) {
      answer = text;
      exact = true;
      break;
    }
    if (key == "*" && !exact) answer = text;
  }
  g_answers[code] = answer;
  return g_answers[code].c_str();
}

}  // extern "C"
