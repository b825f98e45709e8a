// The metadata files of a check's sites, fetched at the same time: a check lasts as long as
// its slowest site, not the sum of them all.
#pragma once

#include "core/bounded_text.h"
#include "core/heap_text.h"
#include "platform/handles.h"

namespace kestrane {

class WorkerRun;

struct SiteFetch {
  Path url;
  HeapText body;  // the whole body, when `fetched`
  bool fetched = false;
};

// Fetches every site, up to kMaxParallelFetches at once, on helper threads that keep `module`
// loaded, and the calling worker among them. Returns when no helper touches `sites` any more:
// every site was tried, or shut-down came and the ones under way have ended.
void FetchSites(WorkerRun &run, ModuleHandle module, SiteFetch *sites, int count);

}  // namespace kestrane
