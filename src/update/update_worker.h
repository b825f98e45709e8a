// The update workers' side of the threads. A worker never reads the plug-in table or calls a
// plug-in itself: it asks the window thread, which owns both, with a message sent to
// managerWindow and waits for the answer. Shut-down raises the epoch; a worker of an older
// epoch leaves at its next step without touching the window or the table.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/manager.h"

namespace kestrane {

// Private to Kestrane's window: wParam is the call's place among the calls in flight, lParam
// points to the WorkerCall on the sending worker's stack.
constexpr unsigned kWorkerCallMessage = 0x8000 + 0x4B;  // WM_APP + 'K'

struct WorkerCall {
  unsigned epoch = 0;
  void (*run)(Manager &, void *) = nullptr;
  void *task = nullptr;
  bool done = false;
};

// On the window thread: carries out a worker's call, if it is one in flight, unless shut-down
// has come since it began.
void RunWorkerCall(Manager &manager, std::uintptr_t wParam, std::intptr_t lParam);

class WorkerRun {
 public:
  WorkerRun(Manager &manager, unsigned epoch) : manager_(manager), epoch_(epoch) {}

  Manager &manager() { return manager_; }
  Ports &ports() { return manager_.ports; }
  bool Stopped() const { return manager_.updates.epoch.load() != epoch_; }

  // Runs task(manager) on the window thread and waits for it. False when it did not run
  // because Kestrane is shutting down: the worker must then leave.
  template <typename Task>
  bool OnWindowThread(Task &&task) {
    using TaskType = std::remove_reference_t<Task>;
    WorkerCall call;
    call.epoch = epoch_;
    call.run = [](Manager &m, void *t) { (*static_cast<TaskType *>(t))(m); };
    call.task = &task;
    return Deliver(call) && call.done && !Stopped();
  }

  // A message box from the worker; nothing is shown once Kestrane is shutting down (the answer
  // is then No).
  int Show(const char *text, unsigned style);
  // A status text for the shell, unless Kestrane is shutting down.
  void Status(WindowHandle coreWindow, const char *text);

 private:
  // Sends the call to the window thread and waits; false when it could not be sent.
  bool Deliver(WorkerCall &call);

  Manager &manager_;
  unsigned epoch_;
};

// What a worker took from its session (the gear, the busy index, the check's turn) is given back
// on the window thread, where begin and end run too: after a shut-down nothing is, so a worker
// of a session that has ended never touches the next session's state.
template <typename Task>
void GiveBack(WorkerRun &run, Task &&task) {
  run.OnWindowThread(task);
}

using WorkerRoutine = void (*)(WorkerRun &run);

// On the window thread: starts `routine` on a thread that keeps Kestrane loaded until it
// ends; the gear turns while any worker runs. False when no thread could be started.
bool StartUpdateWorker(Manager &manager, WorkerRoutine routine);

// The first step of shut-down: every worker is told to stop and its open downloads are closed;
// nothing waits for them. A plug-in an update had stopped is marked enabled again.
void StopUpdateWorkers(Manager &manager);

}  // namespace kestrane
