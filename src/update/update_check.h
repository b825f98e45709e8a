// The update check: every update site's metadata file fetched once into one local file, every
// running plug-in marked whose published release differs from its own, the count reported.
#pragma once

namespace kestrane {

class WorkerRun;

void UpdateCheckWorker(WorkerRun &run);

}  // namespace kestrane
