#include "controllers/window_controllers.h"

#include "controllers/thread_probe.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/plugin_fault.h"
#include "ui/flip_setting.h"

namespace kestrane {

namespace {

unsigned char ControllerAlpha(const Manager &m) {
  return static_cast<unsigned char>(m.settings.globalTransAlpha & 0xFF);
}

void PutBack(Manager &m, const PriorState &prior) {
  Desktop &desktop = m.ports.desktop;
  if (!desktop.WindowExists(prior.window)) return;
  if (prior.layered) {
    const LayeredAttributes &a = prior.attributes;
    desktop.SetLayeredAttributes(prior.window, a.colourKey, a.alpha, a.flags);
  } else {
    desktop.SetExStyle(prior.window, desktop.ExStyle(prior.window) & ~winstyle::kExLayered);
  }
}

bool WantsTranslucent(Manager &m, WindowHandle window) {
  return m.settings.globalTransparency &&
         IsTransClass(m, m.ports.desktop.WindowClass(window).view());
}

// The window's state before the controller's first change; false when the window must be left
// alone.
bool ReadPriorState(Manager &m, WindowHandle window, PriorState &state) {
  Desktop &desktop = m.ports.desktop;
  // Opening the process tells whether it can be read at all (another user's, a system one).
  if (desktop.ProcessExecutable(window).empty()) return false;
  state.window = window;
  state.layered = (desktop.ExStyle(window) & winstyle::kExLayered) != 0;
  // Layered without attributes that can be read: drawn per pixel, which attributes would break.
  return !state.layered || desktop.ReadLayeredAttributes(window, state.attributes);
}

void ApplyControllersToWindow(Manager &m, WindowHandle window, ThreadProbe &probe) {
  const ManagerSettings &s = m.settings;
  if (!s.globalTransparency && !s.globalSticky) return;
  Desktop &desktop = m.ports.desktop;
  if (!desktop.WindowExists(window)) return;
  ClassName className = desktop.WindowClass(window);
  if (s.globalTransparency && IsTransClass(m, className.view())) {
    SetWindowAlpha(m, window, ControllerAlpha(m), probe);
  }
  if (s.globalSticky && IsStickyClass(m, className.view()) && probe.Answers(window)) {
    m.ports.shell.MakeSticky(window);
  }
}

// A restore pass leaves the windows of a hung program as they are, recorded: the first pass
// that finds the program answering gives back those that are no longer to be translucent.
void PutBackLeftOvers(Manager &m, ThreadProbe &probe) {
  ChangedWindows &changed = m.controllers.changed;
  for (int i = changed.size() - 1; i >= 0; --i) {
    PriorState prior = changed.At(i);
    if (WantsTranslucent(m, prior.window) || !probe.Answers(prior.window)) continue;
    changed.RemoveAt(i);
    PutBack(m, prior);
  }
}

class ApplyVisitor final : public WindowVisitor {
 public:
  ApplyVisitor(Manager &m, ThreadProbe &probe) : m_(m), probe_(probe) {}
  void Visit(WindowHandle window) override { ApplyControllersToWindow(m_, window, probe_); }

 private:
  Manager &m_;
  ThreadProbe &probe_;
};

// Stickiness is the shell's record: every top-level window of a listed class is released.
class ReleaseStickyVisitor final : public WindowVisitor {
 public:
  explicit ReleaseStickyVisitor(Manager &m) : m_(m) {}
  void Visit(WindowHandle window) override {
    Desktop &desktop = m_.ports.desktop;
    if (desktop.WindowExists(window) && IsStickyClass(m_, desktop.WindowClass(window).view())) {
      m_.ports.shell.RemoveSticky(window);
    }
  }

 private:
  Manager &m_;
};

bool AnyListed(const ClassList &list) {
  for (const Path &slot : list.slots) {
    if (!slot.empty()) return true;
  }
  return false;
}

enum class HungWindows { kKeep, kGiveUp };

void RestorePass(Manager &m, HungWindows hung) {
  if (!m.layeredSupported) return;
  // Every window the controller changed, top-level or a child caught at its creation.
  ThreadProbe probe(m.ports.desktop);
  ChangedWindows &changed = m.controllers.changed;
  for (int i = changed.size() - 1; i >= 0; --i) {
    PriorState prior = changed.At(i);
    bool answers = probe.Answers(prior.window);
    if (!answers && hung == HungWindows::kKeep) continue;
    changed.RemoveAt(i);
    if (answers) PutBack(m, prior);  // at shut-down, a hung program's window is given up
  }
  if (AnyListed(m.stickyClasses)) {
    ReleaseStickyVisitor visitor(m);
    m.ports.desktop.ForEachTopLevelWindow(visitor);
  }
}

void ReapplyAfterToggle(Manager &m, bool nowOn) {
  if (!nowOn) RestoreWindowControllers(m);
  ApplyWindowControllers(m);
}

}  // namespace

void SetWindowAlpha(Manager &m, WindowHandle window, unsigned char alpha, ThreadProbe &probe) {
  Desktop &desktop = m.ports.desktop;
  if (!desktop.WindowExists(window)) return;
  ChangedWindows &changed = m.controllers.changed;
  const PriorState *prior = changed.Find(window);
  if (alpha == kOpaque) {
    // Never changed by the controller: left alone. A hung program's stays recorded.
    if (prior == nullptr || !probe.Answers(window)) return;
    PriorState state = *prior;
    changed.Remove(window);
    PutBack(m, state);
    return;
  }
  PriorState state;
  if (prior != nullptr) {
    state = *prior;
  } else if (!ReadPriorState(m, window, state)) {
    return;
  }
  // A hung program's window stays as it is and unrecorded; the next pass asks again.
  if (!probe.Answers(window)) return;
  const bool firstChange = prior == nullptr;
  if (firstChange && !changed.Add(state, desktop)) return;
  // A change the system refuses (a program of a higher integrity level) changes nothing, and
  // leaves nothing to give back.
  std::uint32_t exStyle = desktop.ExStyle(window);
  const bool wasLayered = (exStyle & winstyle::kExLayered) != 0;
  if (!wasLayered && !desktop.SetExStyle(window, exStyle | winstyle::kExLayered)) {
    if (firstChange) changed.Remove(window);
    return;
  }
  // A window with a colour key of its own keeps it; black is a key like any other.
  bool keyed = state.layered && (state.attributes.flags & winstyle::kLayeredColourKey) != 0;
  bool set = desktop.SetLayeredAttributes(
      window, keyed ? state.attributes.colourKey : 0, alpha,
      winstyle::kLayeredAlpha | (keyed ? winstyle::kLayeredColourKey : 0));
  if (!set && wasLayered && firstChange) changed.Remove(window);
}

void CreationHookHandler::OnWinEvent(const WinEvent &event) {
  Manager &m = manager_;
  // Windows only: not the carets, cursors and items that are created inside them.
  if (event.event != winevent::kObjectCreate || event.objectId != winevent::kObjectWindow ||
      event.childId != winevent::kChildSelf) {
    return;
  }
  // The notice may come after a pass has changed the window already: its record stays, or the
  // changed state would pass for the window's own. Records of windows that have gone are dropped
  // by every pass; a handle comes back only after its slot has served thousands of windows.
  // Every window made anywhere comes here: no probe is made while both controllers are off.
  if (!m.settings.globalTransparency && !m.settings.globalSticky) return;
  RunInSession(m.innermostEntry, [&] {
    ThreadProbe probe(m.ports.desktop);
    ApplyControllersToWindow(m, event.window, probe);
  });
}

void CreationHookHandler::OnFault(const Fault &fault) {
  ContainCallbackFault(manager_, guarded_step::kWindowEvent, fault);
}

void StartWindowControllers(Manager &m) {
  ControllerState &c = m.controllers;
  if (c.creationHook == kNoHook) {
    c.creationHook = m.ports.desktop.InstallWinEventHook(winevent::kObjectCreate, c.onCreation);
  }
  ApplyWindowControllers(m);
}

void StopWindowControllers(Manager &m) {
  ControllerState &c = m.controllers;
  m.ports.desktop.RemoveHook(c.creationHook);
  c.creationHook = kNoHook;
  RestorePass(m, HungWindows::kGiveUp);
}

void ApplyWindowControllers(Manager &m) {
  // Without layered windows the controllers never start, so nothing would take back a change.
  if (!m.layeredSupported) return;
  m.controllers.changed.DropDead(m.ports.desktop);
  ThreadProbe probe(m.ports.desktop);
  PutBackLeftOvers(m, probe);
  ApplyVisitor visitor(m, probe);
  m.ports.desktop.ForEachTopLevelWindow(visitor);
}

void RestoreWindowControllers(Manager &m) { RestorePass(m, HungWindows::kKeep); }

void ToggleTransparencyController(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.globalTransparency, command, key::kGlobalTransparency);
  ReapplyAfterToggle(m, m.settings.globalTransparency);
}

void ToggleStickyController(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.globalSticky, command, key::kGlobalSticky);
  ReapplyAfterToggle(m, m.settings.globalSticky);
}

void SetControllerAlpha(Manager &m, int alpha) {
  RestoreWindowControllers(m);
  m.settings.globalTransAlpha = alpha;
  m.ports.shell.WriteInt(m.configFile.c_str(), key::kGlobTransAlpha, alpha);
  ApplyWindowControllers(m);
}

}  // namespace kestrane
