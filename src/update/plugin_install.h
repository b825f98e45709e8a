// Installing a new plug-in from the verified catalogue while the shell runs: downloaded and
// checked in a staging folder, put in place whole, added and started, undone when it cannot
// start.
#pragma once

namespace kestrane {

class WorkerRun;

// The busy index while an install runs: it waits for updates, and they for it.
constexpr int kInstallBusy = 100;

// Takes its entry's id from the update state and gives the busy index back (-1) as its very
// last step.
void PluginInstallWorker(WorkerRun &run);

}  // namespace kestrane
