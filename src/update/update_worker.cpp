#include "update/update_worker.h"

#include <new>

#include "core/list_file.h"
#include "core/notices.h"
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
  // After shut-down the gear is gone already.
  if (m.updates.spinningWorkers.fetch_sub(1) == 1 && !run.Stopped()) StopSpinner(m);
}

}  // namespace

void RunWorkerCall(Manager &m, std::intptr_t lParam) {
  auto *call = reinterpret_cast<WorkerCall *>(lParam);
  if (call == nullptr || call->run == nullptr || call->epoch != m.updates.epoch.load()) return;
  call->run(m, call->task);
  call->done = true;
}

int WorkerRun::Show(const char *text, unsigned style) {
  if (Stopped()) return box::kAnswerNo;
  return manager_.ports.desktop.ShowMessageBox(kNoWindow, text, kCaption, style);
}

void WorkerRun::Status(WindowHandle coreWindow, const char *text) {
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
    if (e.inUse && e.path.view() == u.pausedPath.view()) {
      RewritePluginLine(m, u.pausedSlot, false, e.wantsSlit);
      e.enabled = true;
    }
    u.pausedSlot = -1;
  }
}

}  // namespace kestrane
