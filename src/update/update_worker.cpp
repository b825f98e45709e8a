#include "update/update_worker.h"

#include <new>

#include "core/list_file.h"
#include "core/notices.h"
#include "core/plugin_table.h"
#include "host/shell_messages.h"
#include "ui/spinner.h"

namespace kestrane {

namespace {

struct WorkerStart {
  Manager *manager;
  unsigned epoch;
  WorkerRoutine routine;
};

void WorkerThread(void *parameter) {
  WorkerStart start = *static_cast<WorkerStart *>(parameter);
  delete static_cast<WorkerStart *>(parameter);
  Manager &m = *start.manager;
  WorkerRun run(m, start.epoch);
  start.routine(run);
  GiveBack(run, [](Manager &manager) {
    if (manager.updates.spinningWorkers.fetch_sub(1) == 1) StopSpinner(manager);
  });
}

}  // namespace

void RunWorkerCall(Manager &m, std::uintptr_t wParam, std::intptr_t lParam) {
  if (wParam >= static_cast<std::uintptr_t>(kCallsInFlight) || lParam == 0) return;
  // Compared, never read, until found: then it is a call of ours, and taken out, it runs once.
  auto address = static_cast<std::uintptr_t>(lParam);
  if (!m.updates.callsInFlight[wParam].compare_exchange_strong(address, 0)) return;
  auto *call = reinterpret_cast<WorkerCall *>(lParam);
  if (call->epoch != m.updates.epoch.load()) return;
  call->run(m, call->task);
  call->done = true;
}

bool WorkerRun::Deliver(WorkerCall &call) {
  WindowHandle window = manager_.managerWindow.load();
  if (Stopped() || window == kNoWindow) return false;
  const auto address = reinterpret_cast<std::uintptr_t>(&call);
  std::atomic<std::uintptr_t> *calls = manager_.updates.callsInFlight;
  int place = 0;
  for (std::uintptr_t free = 0; !calls[place].compare_exchange_strong(free, address); free = 0) {
    if (++place == kCallsInFlight) return false;
  }
  manager_.ports.shell.Send(window, kWorkerCallMessage, static_cast<std::uintptr_t>(place),
                            static_cast<std::intptr_t>(address));
  // Not taken when the window was gone or shut down: it must not stay findable.
  std::uintptr_t mine = address;
  calls[place].compare_exchange_strong(mine, 0);
  return true;
}

int WorkerRun::Show(const char *text, unsigned style) {
  ShowHeldBox();
  constexpr unsigned kButtons = 0xF;
  if ((style & kButtons) == box::kOk && held_.Append(text)) {
    heldStyle_ = style;
    holding_ = true;
    return box::kAnswerOk;
  }
  return ShowNow(text, style);
}

void WorkerRun::ShowHeldBox() {
  if (!holding_) return;
  holding_ = false;
  ShowNow(held_.c_str(), heldStyle_);
  held_.Clear();
}

int WorkerRun::ShowNow(const char *text, unsigned style) {
  if (Stopped()) return box::kAnswerNo;
  // This thread runs no plug-in's window: a fault in the box's loop is none of theirs, and the
  // box abandoned answers no.
  Fault fault;
  return manager_.ports.desktop.ShowMessageBox(kNoWindow, text, kCaption, style, fault);
}

void WorkerRun::Status(WindowHandle coreWindow, const char *text) {
  ShowHeldBox();
  if (Stopped()) return;
  manager_.ports.shell.Send(coreWindow, kHostMsgStatusText, 0,
                            reinterpret_cast<std::intptr_t>(text));
}

bool StartUpdateWorker(Manager &m, WorkerRoutine routine) {
  auto *start = new (std::nothrow) WorkerStart{&m, m.updates.epoch.load(), routine};
  if (start == nullptr) return false;
  // Here on the window thread rather than in the worker: shut-down, which halts the gear, can
  // then never come between a worker's check and its start of the gear.
  if (m.updates.spinningWorkers.fetch_add(1) == 0) StartSpinner(m);
  if (m.ports.kernel.StartThread(m.module, WorkerThread, start)) return true;
  delete start;
  if (m.updates.spinningWorkers.fetch_sub(1) == 1) StopSpinner(m);
  return false;
}

void StopUpdateWorkers(Manager &m) {
  m.updates.epoch.fetch_add(1);
  m.ports.internet.CloseAll();
  UpdateState &u = m.updates;
  if (u.pausedSlot >= 0) {
    PluginEntry &e = m.plugins.slots[u.pausedSlot];
    if (HoldsPlugin(e, u.pausedPath.view())) {
      RewritePluginLine(m, u.pausedSlot, false, e.wantsSlit);
      e.enabled = true;
    }
    u.pausedSlot = -1;
  }
}

}  // namespace kestrane
