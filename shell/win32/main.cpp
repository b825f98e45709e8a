// corvane.exe: a stand-in Corvane shell that runs one plug-in through a scripted session and
// writes a transcript of everything the plug-in asked of it.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "portable/command_line.h"
#include "portable/script_source.h"
#include "portable/text_format.h"
#include "win32/dialog_watcher.h"
#include "win32/plugin_session.h"
#include "win32/programs.h"
#include "win32/script_commands.h"
#include "win32/shell_imports.h"
#include "win32/shell_state.h"
#include "win32/shell_windows.h"
#include "win32/transcript.h"

namespace {

using namespace corvane;
using namespace corvane::win32;

constexpr int kExitDead = 1;
constexpr int kExitUsage = 2;

std::string ExeFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      std::string folder(path.data(), length);
      return folder.substr(0, folder.find_last_of("\\/") + 1);
    }
    path.resize(path.size() * 2);
  }
}

// A crash inside the plug-in still ends the transcript with a line saying where.
LONG WINAPI RecordCrash(EXCEPTION_POINTERS *exception) {
  const EXCEPTION_RECORD *record = exception->ExceptionRecord;
  char module[MAX_PATH] = "?";
  HMODULE owner = nullptr;
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(record->ExceptionAddress), &owner)) {
    GetModuleFileNameA(owner, module, sizeof module);
  }
  Record(Format("crash code=0x%08lX address=%p module=%s", record->ExceptionCode,
                record->ExceptionAddress, module));
  return EXCEPTION_EXECUTE_HANDLER;
}

bool StdinIsConsole() { return GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR; }

bool ShellAlive() {
  DWORD_PTR ignored = 0;
  return IsWindow(Shell().core) && IsWindow(Shell().slit) &&
         SendMessageTimeoutA(Shell().core, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) &&
         SendMessageTimeoutA(Shell().slit, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

}  // namespace

int main(int argc, char **argv) {
  const ParsedCommandLine parsed =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok) {
    std::fprintf(stderr, "corvane: %s\n\n%s", parsed.error.c_str(),
                 HelpText(ProvidedShellFunctions()).c_str());
    return kExitUsage;
  }
  if (parsed.options.help) {
    std::fputs(HelpText(ProvidedShellFunctions()).c_str(), stdout);
    return 0;
  }
  ShellState &shell = Shell();
  shell.options = parsed.options;
  shell.folder = ExeFolder();
  shell.instance = GetModuleHandleA(nullptr);

  std::ifstream scriptFile;
  std::istream *scriptInput = nullptr;
  if (shell.options.script && *shell.options.script != "-") {
    scriptFile.open(*shell.options.script);
    if (!scriptFile) {
      std::fprintf(stderr, "corvane: cannot read %s\n", shell.options.script->c_str());
      return kExitUsage;
    }
    scriptInput = &scriptFile;
  } else if (shell.options.script || !StdinIsConsole()) {
    scriptInput = &std::cin;
  }

  const std::string transcript = shell.options.transcript.value_or(shell.folder + "transcript.txt");
  if (!OpenTranscript(transcript)) {
    std::fprintf(stderr, "corvane: cannot write %s\n", transcript.c_str());
    return kExitUsage;
  }
  SetUnhandledExceptionFilter(RecordCrash);
  if (!CreateShellWindows(shell.instance) || !StartDialogWatcher()) {
    Record("error the shell's windows or dialog watcher could not be created");
    return kExitDead;
  }

  ScriptSource script(scriptInput);
  for (const ScriptCommand &command : script.TakePrelude()) {
    if (command.verb == ScriptVerb::kAnswer) QueueMessageBoxAnswer(command.answer);
    if (command.verb == ScriptVerb::kHold) HoldNextMessageBox();
    if (command.verb == ScriptVerb::kDialogOpen) QueueOpenFile(command.text);
    if (command.verb == ScriptVerb::kDialogFolder) QueueFolder(command.text);
    if (command.verb == ScriptVerb::kRun || command.verb == ScriptVerb::kAwait) {
      RunScriptCommand(command);
    }
  }

  int code = RunPluginSession(script);
  EndPrograms();
  if (ShellAlive()) {
    Record("alive");
  } else {
    Record("dead");
    code = kExitDead;
  }
  StopDialogWatcher();
  DestroyShellWindows();
  CloseTranscript();
  return code;
}
