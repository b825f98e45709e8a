#include "win32/programs.h"

#include <vector>

#include "portable/program_channel.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/handles.h"
#include "win32/shell_state.h"
#include "win32/transcript.h"

namespace corvane::win32 {

namespace {

constexpr DWORD kTellTimeoutMs = 5000;
constexpr DWORD kQuitTimeoutMs = 5000;

struct Program {
  std::string commandLine;
  UniqueHandle process;
  UniqueHandle thread;
  DWORD threadId = 0;
};

std::vector<Program> &Programs() {
  static std::vector<Program> programs;
  return programs;
}

HWND FindAnyWindow(const std::string &className) {
  if (HWND window = FindWindowA(className.c_str(), nullptr)) return window;
  return FindWindowExA(HWND_MESSAGE, nullptr, className.c_str(), nullptr);
}

}  // namespace

void RunProgram(const std::string &commandLine) {
  Record("run " + Quote(commandLine));
  SetEnvironmentVariableA(kCoreWindowVariable,
                          Format("%p", static_cast<void *>(Shell().core)).c_str());
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');  // CreateProcessA may write into it
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    Record(Format("run %s -> failed error=%lu", Quote(commandLine).c_str(), GetLastError()));
    return;
  }
  Program program;
  program.commandLine = commandLine;
  program.process = UniqueHandle(started.hProcess);
  program.thread = UniqueHandle(started.hThread);
  program.threadId = started.dwThreadId;
  Programs().push_back(std::move(program));
}

void TellWindow(const std::string &className, const std::string &text) {
  HWND window = FindAnyWindow(className);
  if (!window) {
    Record("tell wnd:" + className + " -> no window");
    return;
  }
  COPYDATASTRUCT data{};
  data.dwData = kTellTag;
  data.cbData = static_cast<DWORD>(text.size());
  data.lpData = const_cast<char *>(text.data());
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutA(window, WM_COPYDATA, reinterpret_cast<WPARAM>(Shell().core),
                           reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kTellTimeoutMs,
                           &ignored)) {
    Record("tell wnd:" + className + " " + Quote(text) + " -> timeout");
  }
}

void EndPrograms() {
  for (Program &program : Programs()) {
    PostThreadMessageA(program.threadId, WM_QUIT, 0, 0);
    if (WaitForSingleObject(program.process.get(), kQuitTimeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(program.process.get(), 1);
      Record("run " + Quote(program.commandLine) + " -> killed");
    }
  }
  Programs().clear();
}

}  // namespace corvane::win32
