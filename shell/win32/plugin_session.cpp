#include "win32/plugin_session.h"

#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/handles.h"
#include "win32/message_box_hook.h"
#include "win32/message_pump.h"
#include "win32/script_commands.h"
#include "win32/shell_state.h"
#include "win32/transcript.h"

namespace corvane::win32 {

namespace {

using BeginPlugin = int (*)(HINSTANCE);
using BeginSlitPlugin = int (*)(HINSTANCE, HWND);
using EndPlugin = void (*)(HINSTANCE);

constexpr DWORD kAfterStartMs = 50;
constexpr DWORD kAfterUnloadMs = 100;  // a window left behind by the plug-in shows up here

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

void RunScript(ScriptSource &script) {
  while (auto line = script.Next()) {
    if (line->kind == ScriptLine::Kind::kError) {
      Record(Format("error script line %d: ", script.LineNumber()) + line->error);
      continue;
    }
    if (!RunScriptCommand(line->command)) break;
  }
  Record("end");
}

}  // namespace

int RunPluginSession(ScriptSource &script) {
  const Options &options = Shell().options;
  Record("load " + Quote(options.plugin));
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

  const int started = Start(module.get());
  Record(Format("start %s -> %d", options.start.c_str(), started));
  PumpMessages(kAfterStartMs);
  RunScript(script);

  // A plug-in that failed to start has nothing to end.
  if (started == 0) {
    if (auto end = Entry<EndPlugin>(module.get(), "endPlugin")) {
      end(module.get());
    } else {
      Record("endPlugin -> missing");
    }
  }
  module.Free();
  Record("unloaded");
  PumpMessages(kAfterUnloadMs);
  return kExitDone;
}

}  // namespace corvane::win32
