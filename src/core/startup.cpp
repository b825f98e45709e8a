#include "core/startup.h"

#include "controllers/class_capture.h"
#include "controllers/menu_clipper.h"
#include "controllers/window_controllers.h"
#include "core/list_file.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/path_text.h"
#include "core/plugin_table.h"
#include "core/session_start.h"
#include "host/shell_messages.h"
#include "ui/slit_toggle.h"
#include "ui/spinner.h"
#include "ui/window_style.h"
#include "update/automatic_check.h"
#include "update/update_worker.h"

namespace kestrane {

namespace {

constexpr unsigned kMinimumLayeredMajor = 5;

bool RegisterManagerClass(Manager &m) {
  WindowClassRequest request;
  request.name = kWindowClassName;
  request.style = winstyle::kClassDoubleClicks;
  request.module = m.module;
  request.handler = &m.windowProc;
  return m.ports.desktop.RegisterWindowClass(request);
}

WindowHandle CreateManagerWindow(Manager &m) {
  WindowRequest request;
  request.className = kWindowClassName;
  request.exStyle = winstyle::kExToolWindow | (m.layeredSupported ? winstyle::kExLayered : 0);
  request.style = winstyle::kPopupVisibleClipped;
  request.x = m.settings.x;
  request.y = m.settings.y;
  request.width = m.settings.width;
  request.height = m.settings.height;
  request.module = m.module;
  return m.ports.desktop.MakeWindow(request);
}

// A begin after an end in the same image (a shell that restarts its plug-ins, or a worker
// that still held the library) starts where a fresh load starts. What the start reads anew
// whole (settings, class lists, style, where the files are) needs nothing here, and the update
// epoch goes on: the last session's workers must keep seeing that theirs has ended.
void ForgetLastSession(Manager &m) {
  m.journal.End();
  ResetControllerState(m.controllers, m.ports.desktop);
  ForgetPluginTable(m.plugins);
  m.updateRestartSlot = -1;
  EndOpenModals(m);  // a box still open belongs to the last session
  m.managerWindow = kNoWindow;
  m.slitWindow = kNoWindow;
  m.hiddenByHost = false;
  m.updateMarkShown = false;
  m.automaticCheck = AutomaticCheck();  // its timer went with the last session's window
  m.busyIndex = -1;
  UpdateState &u = m.updates;
  u.checkRunning = false;
  u.spinningWorkers = 0;
  u.pausedSlot = -1;
  u.pausedPath.Clear();
  m.catalogueOffers.read = false;
  ResetSpinner(m.spinner);
}

int StartUp(Manager &m, ModuleHandle module) {
  m.shuttingDown = false;
  m.hostFolder = m.ports.shell.Folder();
  LowerCase(m.hostFolder);
  SystemVersion version = m.ports.kernel.Version();
  m.layeredSupported = version.ntFamily && version.major >= kMinimumLayeredMajor;
  m.coreWindow = m.ports.shell.CoreWindow();
  m.module = module;

  if (!RegisterManagerClass(m)) {
    ShowModalBox(m, m.coreWindow, "Error registering window class", kCaption,
                 box::kTopMost | box::kIconError);
    return kStartFailed;
  }
  ReadSettings(m);
  LocateListFile(m);
  HeldBack held = BeginSession(m);  // before any library is linked
  ReadListedPlugins(m, held);
  SwitchOffHeldBack(m, held);
  LoadStyle(m);
  // The window procedure records managerWindow, registers with the shell and applies the
  // window state while the window is being created.
  if (CreateManagerWindow(m) == kNoWindow) {
    m.journal.End();  // no endPlugin follows a failed start
    ShowError(m, "Error creating window");
    return kStartFailed;
  }
  StartAllPlugins(m);
  if (m.layeredSupported) StartWindowControllers(m);
  ScheduleAutomaticChecks(m);
  return 0;
}

int StartSession(Manager &m, ModuleHandle module) {
  // Also when the shell ended Kestrane while a box of the start was open.
  int result = kStartFailed;
  RunInSession(m.innermostEntry, [&] { result = StartUp(m, module); });
  return result;
}

}  // namespace

int StartManager(Manager &m, ModuleHandle module) {
  ForgetLastSession(m);
  return StartSession(m, module);
}

int StartManagerInSlit(Manager &m, ModuleHandle module, WindowHandle slit) {
  ForgetLastSession(m);
  m.slitWindow = slit;
  int result = StartSession(m, module);
  // Managed plug-ins were started above, so they reach the Slit before Kestrane's button.
  if (result == 0 && m.settings.inSlit && m.slitWindow != kNoWindow) {
    m.ports.shell.Send(m.slitWindow, kSlitMsgAddWindow, 0,
                       static_cast<std::intptr_t>(m.managerWindow.load()));
  }
  return result;
}

void EndManager(Manager &m, ModuleHandle module) {
  EndOpenModals(m);  // first: a box open now returns into a session that has ended
  m.shuttingDown = true;
  StopUpdateWorkers(m);  // before the rest: nothing a worker does from here on reaches the window
  if (m.layeredSupported) StopWindowControllers(m);
  if (MenuClipperRunning(m)) StopMenuClipper(m);
  CancelClassCapture(m);  // an armed capture's keyboard hook must not outlive the library
  // Memory only: the file keeps inSlit on, so the next start docks again.
  if (m.settings.inSlit && m.slitWindow != kNoWindow) ReleaseFromSlit(m);
  if (m.managerWindow != kNoWindow) m.ports.desktop.DestroyWindow(m.managerWindow);
  HaltSpinner(m);
  m.managerWindow = kNoWindow;
  m.ports.desktop.UnregisterWindowClass(kWindowClassName, module);
  StopAllPlugins(m);
  UnloadIdlePlugins(m);
  m.journal.End();  // the session ended normally
}

}  // namespace kestrane
