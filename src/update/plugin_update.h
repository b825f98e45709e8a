// Updating one plug-in in place from the files its update site publishes.
#pragma once

namespace kestrane {

class WorkerRun;

// Takes its slot from the busy index and gives the index back (-1) as its very last step.
void PluginUpdateWorker(WorkerRun &run);

}  // namespace kestrane
