// The update check: every update site's metadata file fetched once into one local file, every
// running plug-in marked whose published release differs from its own, the count reported.
#pragma once

namespace kestrane {

class WorkerRun;

void UpdateCheckWorker(WorkerRun &run);
// The same check, started by the schedule: no status text and no count box, and one that
// reaches no site changes nothing.
void AutomaticUpdateCheckWorker(WorkerRun &run);

}  // namespace kestrane
