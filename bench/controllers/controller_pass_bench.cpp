// One apply pass of the transparency controller over 200 top-level windows of another program,
// 10 of them of a listed class, against a bare loop that enumerates the windows, opens every
// window's process and reads its executable's name (what a pass that probes every window
// costs). And the same pass while the program's second thread, which runs 5 of the listed
// windows, hangs, against the pass with none hung plus one probe time-out: a hung thread must
// cost a pass one time-out, however many windows it has. Interleaved in one run; prints the
// medians and ROW lines.
//   controller_pass_bench.exe WINDOW_MAKER.EXE [RUNS]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controllers/thread_probe.h"
#include "controllers/window_controllers.h"
#include "core/manager.h"
#include "platform/win32/win32_canvas.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_folder_browser.h"
#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_kernel.h"
#include "platform/win32/win32_libraries.h"

namespace {

using namespace kestrane;

constexpr int kListed = 10;  // half on the program's main thread, half on a second one
constexpr int kOthers = 190;

// The shell's part plays no role in the transparency pass.
class QuietShell final : public Shell {
 public:
  WindowHandle CoreWindow() override { return kNoWindow; }
  Path Folder() override { return Path("C:\\"); }
  Path Editor() override { return Path(); }
  void Execute(const char *, const char *) override {}
  bool ReadBool(const char *, const char *, bool fallback) override { return fallback; }
  int ReadInt(const char *, const char *, int fallback) override { return fallback; }
  Path ReadString(const char *, const char *, const char *fallback) override { return fallback; }
  LongText ReadLongString(const char *, const char *, const char *fallback) override {
    return fallback;
  }
  void WriteBool(const char *, const char *, bool) override {}
  void WriteInt(const char *, const char *, int) override {}
  void WriteString(const char *, const char *, const char *) override {}
  bool FileExists(const char *) override { return false; }
  bool MakeSticky(WindowHandle) override { return true; }
  void RemoveSticky(WindowHandle) override {}
  MenuHandle MakeNamedMenu(const char *, const char *, bool) override { return MenuHandle{}; }
  void MakeMenuItem(MenuHandle, const char *, const char *, bool) override {}
  void MakeMenuItemInt(MenuHandle, const char *, const char *, int, int, int) override {}
  void MakeSubmenu(MenuHandle, MenuHandle, const char *) override {}
  void MakeMenuNOP(MenuHandle, const char *) override {}
  void ShowMenu(MenuHandle) override {}
  void SnapWindowToEdge(std::intptr_t, int, unsigned) override {}
  void MakeStyleGradient(DeviceContext, const Rect &, const StyleRecord &, bool) override {}
  StyleRecord Style() override { return {}; }
  ColourRef OutlineColour() override { return 0; }
  std::intptr_t Send(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
};

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

BOOL CALLBACK ProbeEveryWindow(HWND window, LPARAM count) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (process != nullptr) {
    HMODULE first = nullptr;
    DWORD needed = 0;
    char name[50] = {};
    if (EnumProcessModules(process, &first, sizeof first, &needed)) {
      GetModuleFileNameExA(process, first, name, sizeof name);
    }
    CloseHandle(process);
  }
  ++*reinterpret_cast<int *>(count);
  return TRUE;
}

BOOL CALLBACK CountMakerWindows(HWND window, LPARAM counts) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  auto *n = reinterpret_cast<int *>(counts);
  if (std::string(name) == "BenchListed") ++n[0];
  if (std::string(name) == "BenchOther") ++n[1];
  return TRUE;
}

bool WaitForMakerWindows() {
  for (int tries = 0; tries < 600; ++tries) {
    int counts[2] = {0, 0};
    EnumWindows(CountMakerWindows, reinterpret_cast<LPARAM>(counts));
    if (counts[0] == kListed && counts[1] == kOthers) return true;
    Sleep(50);
  }
  return false;
}

struct ThreadSearch {
  DWORD mainThread;
  DWORD found;
};

BOOL CALLBACK FindSecondThread(HWND window, LPARAM search) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  auto *s = reinterpret_cast<ThreadSearch *>(search);
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (std::string(name) == "BenchListed" && thread != s->mainThread) s->found = thread;
  return TRUE;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: controller_pass_bench WINDOW_MAKER.EXE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
  const std::string half = std::to_string(kListed / 2);
  std::string command = std::string("\"") + argv[1] + "\" flood BenchOther " +
                        std::to_string(kOthers) + " ; flood BenchListed " + half +
                        " ; spawn BenchListed " + half;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION maker{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &maker)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  int status = 0;
  ThreadSearch search{maker.dwThreadId, 0};
  if (WaitForMakerWindows()) EnumWindows(FindSecondThread, reinterpret_cast<LPARAM>(&search));
  HANDLE second =
      search.found != 0 ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, search.found) : nullptr;
  if (second == nullptr) {
    std::fprintf(stderr, "window_maker.exe did not open its %d windows on two threads\n",
                 kListed + kOthers);
    status = 1;
  } else {
    QuietShell shell;
    win32::Win32Desktop desktop;
    win32::Win32Kernel kernel;
    win32::Win32Libraries libraries;
    win32::Win32Canvas canvas;
    win32::Win32Internet internet;
    win32::Win32FolderBrowser folders;
    static Manager m{Ports{shell, desktop, kernel, libraries, canvas, internet,
                           folders}};  // large: not on the stack
    m.layeredSupported = true;
    m.settings.globalTransparency = true;
    m.settings.globalTransAlpha = 128;
    m.transClasses.slots[0] = "BenchListed";

    std::vector<double> pass, bare, hung;
    int windows = 0;
    auto timePass = [&](bool secondHangs) {
      if (secondHangs) SuspendThread(second);
      double start = Seconds();
      ApplyWindowControllers(m);
      double took = (Seconds() - start) * 1e6;
      if (secondHangs) ResumeThread(second);
      RestoreWindowControllers(m);  // every pass starts from the windows as they were
      return took;
    };
    auto timeBare = [&] {
      windows = 0;
      double start = Seconds();
      EnumWindows(ProbeEveryWindow, reinterpret_cast<LPARAM>(&windows));
      return (Seconds() - start) * 1e6;
    };
    for (int i = 0; i <= runs; ++i) {  // the first round warms up; the order turns
      double p = 0, b = 0, h = 0;
      for (int step = 0; step < 3; ++step) {
        switch ((i + step) % 3) {
          case 0: p = timePass(false); break;
          case 1: b = timeBare(); break;
          default: h = timePass(true); break;
        }
      }
      if (i == 0) continue;
      pass.push_back(p);
      bare.push_back(b);
      hung.push_back(h);
    }
    double figure = Median(pass), baseline = Median(bare), hungFigure = Median(hung);
    double timeOut = ThreadProbe::kTimeoutMs * 1000.0;
    std::printf("top-level windows: %d, %d of them listed\n", windows, kListed);
    std::printf("apply pass: %.0f us, bare probing loop: %.0f us (medians of %d), ratio %.3f\n",
                figure, baseline, runs, figure / baseline);
    std::printf(
        "apply pass with a thread of %d listed windows hung: %.0f us, against %.0f us"
        " + one probe time-out of %.0f us, ratio %.3f\n",
        kListed / 2, hungFigure, figure, timeOut, hungFigure / (figure + timeOut));
    std::printf(
        "ROW\tcontroller apply pass, 200 windows of another program, 10 listed\t%.0f\t%.0f"
        "\tus\t0.50\n",
        figure, baseline);
    std::printf(
        "ROW\tthe same pass, 5 listed on a hung thread (vs none hung + one time-out)\t%.0f"
        "\t%.0f\tus\t1.25\n",
        hungFigure, figure + timeOut);
    desktop.ReleaseOptionalLibraries();
    CloseHandle(second);
  }
  PostThreadMessageA(maker.dwThreadId, WM_QUIT, 0, 0);
  if (WaitForSingleObject(maker.hProcess, 5000) != WAIT_OBJECT_0)
    TerminateProcess(maker.hProcess, 1);
  CloseHandle(maker.hThread);
  CloseHandle(maker.hProcess);
  return status;
}
