#include "win32/plugin_session.h"

#include <fstream>
#include <string>
#include <vector>

#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/config_timing.h"
#include "win32/dialog_watcher.h"
#include "win32/handles.h"
#include "win32/message_box_hook.h"
#include "win32/message_pump.h"
#include "win32/script_commands.h"
#include "win32/shell_imports.h"
#include "win32/shell_state.h"
#include "win32/stopwatch.h"
#include "win32/transcript.h"

namespace corvane::win32 {

namespace {

using BeginPlugin = int (*)(HINSTANCE);
using BeginSlitPlugin = int (*)(HINSTANCE, HWND);
using EndPlugin = void (*)(HINSTANCE);

constexpr DWORD kAfterStartMs = 50;
constexpr DWORD kAfterUnloadMs = 100;  // a window left behind by the plug-in shows up here
constexpr ULONGLONG kLeaveMs = 30000;  // for the plug-in's own threads to let go of it

bool StillLoaded(HMODULE module) {
  HMODULE found = nullptr;
  return GetModuleHandleExA(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             reinterpret_cast<LPCSTR>(module), &found) != 0;
}

// A plug-in's thread may hold its library after FreeLibrary (FreeLibraryAndExitThread); held
// boxes are answered now, and the shell waits, pumping messages as it would anyway, until the
// library has really left the process.
void AwaitLeaving(HMODULE module) {
  ReleaseHeldBoxes();
  if (!StillLoaded(module)) return;
  Record("library still loaded");
  const ULONGLONG deadline = GetTickCount64() + kLeaveMs;
  while (StillLoaded(module)) {
    if (GetTickCount64() >= deadline) {
      Record("library never left");
      return;
    }
    PumpMessages(20);
  }
  Record("library left");
}

// GetProcAddress gives a generic pointer; void(*)() converts to any function type cleanly.
template <typename Function>
Function Entry(HMODULE module, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int Start(HMODULE module) {
  const Options &options = Shell().options;
  if (options.start == "beginPlugin") {
    return Entry<BeginPlugin>(module, "beginPlugin")(module);
  }
  HWND slit = PassesSlit(options) ? Shell().slit : nullptr;
  return Entry<BeginSlitPlugin>(module, options.start.c_str())(module, slit);
}

// The plug-in of this session, for `restart`, and what its last start answered.
HMODULE g_plugin = nullptr;
int g_started = -1;

void EndStarted(HMODULE module) {
  if (g_started != 0) return;  // a plug-in that failed to start has nothing to end
  if (auto end = Entry<EndPlugin>(module, "endPlugin")) {
    end(module);
  } else {
    Record("endPlugin -> missing");
  }
}

// Up to `end` or the end of the script.
void RunScriptPart(ScriptSource &script) {
  while (auto line = script.Next()) {
    if (line->kind == ScriptLine::Kind::kError) {
      Record(Format("error script line %d: ", script.LineNumber()) + line->error);
      continue;
    }
    if (!RunScriptCommand(line->command)) break;
  }
}

void RunScript(ScriptSource &script) {
  RunScriptPart(script);
  Record("end");
}

}  // namespace

void RecordTiming(const char *what, const Stopwatch &watch) {
  if (Shell().options.timing) Record(Format("timing %s %lld us", what, watch.Microseconds()));
}

int RunHostedList(ScriptSource &script) {
  const Options &options = Shell().options;
  std::ifstream list(options.plugin);
  std::vector<std::string> paths;
  for (std::string line; std::getline(list, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) paths.push_back(line);
  }
  std::vector<HMODULE> started;
  Stopwatch startWatch;
  for (const std::string &path : paths) {
    HMODULE module = ProvidesShellImports(path.c_str()) ? LoadLibraryA(path.c_str()) : nullptr;
    auto begin = module ? Entry<BeginPlugin>(module, "beginPlugin") : nullptr;
    if (!begin) {
      if (module) FreeLibrary(module);
      Record("load failed " + Quote(path));
      continue;
    }
    begin(module);
    started.push_back(module);
  }
  RecordTiming("start", startWatch);
  Record("hosted " + std::to_string(started.size()) + " of " + std::to_string(paths.size()));
  PumpMessages(kAfterStartMs);
  RunScript(script);
  Stopwatch endWatch;
  for (HMODULE module : started) {
    if (auto end = Entry<EndPlugin>(module, "endPlugin")) end(module);
    FreeLibrary(module);
  }
  RecordTiming("end", endWatch);
  Record("unloaded");
  PumpMessages(kAfterUnloadMs);
  return kExitDone;
}

int RunPluginSession(ScriptSource &script) {
  const Options &options = Shell().options;
  if (options.hostList) return RunHostedList(script);
  Record("load " + Quote(options.plugin));
  if (!ProvidesShellImports(options.plugin.c_str())) {
    Record(Format("load failed error=%lu", static_cast<unsigned long>(ERROR_PROC_NOT_FOUND)));
    return kExitPluginMissing;
  }
  LoadedModule module(LoadLibraryA(options.plugin.c_str()));
  if (!module.get()) {
    Record(Format("load failed error=%lu", GetLastError()));
    return kExitPluginMissing;
  }
  HookModule(module.get());
  if (!GetProcAddress(module.get(), options.start.c_str())) {
    Record("start " + options.start + " -> missing");
    module.Free();
    Record("unloaded");
    return kExitPluginMissing;
  }

  const ConfigTime configBefore = ConfigTimeSoFar();
  Stopwatch startWatch;
  g_plugin = module.get();
  g_started = Start(module.get());
  RecordTiming("start", startWatch);
  if (options.timing) {
    const ConfigTime configAfter = ConfigTimeSoFar();
    Record(Format("timing start-config %lld calls %lld us", configAfter.calls - configBefore.calls,
                  configAfter.microseconds - configBefore.microseconds));
  }
  Record(Format("start %s -> %d", options.start.c_str(), g_started));
  PumpMessages(kAfterStartMs);
  RunScript(script);

  Stopwatch endWatch;
  EndStarted(module.get());
  g_plugin = nullptr;
  HMODULE loaded = module.get();
  module.Free();
  RecordTiming("end", endWatch);
  Record("unloaded");
  AwaitLeaving(loaded);
  PumpMessages(kAfterUnloadMs);
  RunScriptPart(script);  // the lines after `end`: what the plug-in left behind
  return kExitDone;
}

void RestartPlugin() {
  if (!g_plugin) return;
  EndStarted(g_plugin);
  Record("restart");
  g_started = Start(g_plugin);
  Record(Format("start %s -> %d", Shell().options.start.c_str(), g_started));
}

}  // namespace corvane::win32
