// The update workers' side of the threads. A worker never reads the plug-in table or calls a
// plug-in itself: it asks the window thread, which owns both, with a message sent to
// managerWindow and waits for the answer. Shut-down raises the epoch; a worker of an older
// epoch leaves at its next step without touching the window or the table.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/heap_text.h"
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
  ~WorkerRun() { ShowHeldBox(); }
  WorkerRun(const WorkerRun &) = delete;
  WorkerRun &operator=(const WorkerRun &) = delete;

  Manager &manager() { return manager_; }
  unsigned epoch() const { return epoch_; }
  Ports &ports() { return manager_.ports; }
  bool Stopped() const { return manager_.updates.epoch.load() != epoch_; }

  // Runs task(manager) on the window thread and waits for it. False when it did not run
  // because Kestrane is shutting down: the worker must then leave.
  template <typename Task>
  bool OnWindowThread(Task &&task) {
    ShowHeldBox();
    return CallKeepingBox(task);
  }

  // A message box from the worker; nothing is shown once Kestrane is shutting down (the answer
  // is then No). A box with only OK is held until the worker's next step or its end, so that
  // the one closing the work comes after the worker has given back its turn: the user may
  // begin the next update as soon as it shows.
  int Show(const char *text, unsigned style);
  // A status text for the shell, unless Kestrane is shutting down.
  void Status(WindowHandle coreWindow, const char *text);

  // As OnWindowThread, without first showing a held box: what a worker gives back at its end
  // is back before the box that closes its work appears.
  template <typename Task>
  bool CallKeepingBox(Task &&task) {
    using TaskType = std::remove_reference_t<Task>;
    WorkerCall call;
    call.epoch = epoch_;
    call.run = [](Manager &m, void *t) { (*static_cast<TaskType *>(t))(m); };
    call.task = &task;
    return Deliver(call) && call.done && !Stopped();
  }

 private:
  int ShowNow(const char *text, unsigned style);
  void ShowHeldBox();
  // Sends the call to the window thread and waits; false when it could not be sent.
  bool Deliver(WorkerCall &call);

  Manager &manager_;
  unsigned epoch_;
  HeapText held_;
  unsigned heldStyle_ = 0;
  bool holding_ = false;
};

// What a worker took from its session (the gear, the busy index, the check's turn) is given back
// on the window thread, where begin and end run too: after a shut-down nothing is, so a worker
// of a session that has ended never touches the next session's state.
template <typename Task>
void GiveBack(WorkerRun &run, Task &&task) {
  run.CallKeepingBox(task);
}

using WorkerRoutine = void (*)(WorkerRun &run);

// On the window thread: starts `routine` on a thread that keeps Kestrane loaded until it
// ends; the gear turns while any worker runs. False when no thread could be started.
bool StartUpdateWorker(Manager &manager, WorkerRoutine routine);

// The first step of shut-down: every worker is told to stop and its open downloads are closed;
// nothing waits for them. A plug-in an update had stopped is marked enabled again.
void StopUpdateWorkers(Manager &manager);

}  // namespace kestrane
