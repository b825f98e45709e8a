#include "update/site_fetch.h"

#include <atomic>
#include <new>

#include "platform/internet.h"
#include "platform/kernel.h"
#include "update/download.h"
#include "update/update_worker.h"

namespace kestrane {

namespace {

constexpr unsigned kWaitPollMs = 10;

class FetchWatch final : public DownloadWatch {
 public:
  explicit FetchWatch(WorkerRun &run) : run_(run) {}
  bool Cancelled() override { return run_.Stopped(); }

 private:
  WorkerRun &run_;
};

// Shared by the worker and its helpers; the last of them to let go deletes it. A helper may
// start only after the worker has left (the system runs threads when it will), so the sites
// are reached only through a claim, and no claim is given once the worker stops waiting.
struct FetchRound {
  FetchRound(WorkerRun &r, SiteFetch *s, int c)
      : run(r.manager(), r.epoch()), sites(s), count(c) {}
  WorkerRun run;  // its own: it shows no box
  SiteFetch *sites;
  int count;
  std::atomic<int> next{0};     // the next site to claim
  std::atomic<int> busy{0};     // fetchers between a claim and its end
  std::atomic<int> holders{1};  // the worker and each helper started

  void Release() {
    if (holders.fetch_sub(1) == 1) delete this;
  }

  // Claims and fetches sites until none is left or shut-down comes.
  void Fetch() {
    FetchWatch watch(run);
    Internet &internet = run.ports().internet;
    for (;;) {
      busy.fetch_add(1);  // before the claim, so that the worker's wait sees it
      int i = next.fetch_add(1);
      if (i >= count || run.Stopped()) {
        busy.fetch_sub(1);
        return;
      }
      SiteFetch &site = sites[i];
      // Out of memory too: this site adds nothing.
      site.fetched = FetchUrl(internet, site.url, kMetadataLimitBytes, &watch, site.body);
      if (!site.fetched) site.body.Clear();
      busy.fetch_sub(1);
    }
  }
};

void Helper(void *parameter) {
  auto *round = static_cast<FetchRound *>(parameter);
  round->Fetch();
  round->Release();
}

}  // namespace

void FetchSites(WorkerRun &run, ModuleHandle module, SiteFetch *sites, int count) {
  auto *round = new (std::nothrow) FetchRound(run, sites, count);
  if (round == nullptr) return;
  Kernel &kernel = run.ports().kernel;
  int helpers = (count < kMaxParallelFetches ? count : kMaxParallelFetches) - 1;
  for (int i = 0; i < helpers; ++i) {
    round->holders.fetch_add(1);
    if (!kernel.StartThread(module, Helper, round)) {
      round->holders.fetch_sub(1);  // the worker fetches what it would have
      break;
    }
  }
  round->Fetch();
  // No new claim from here on; then wait for the fetches under way, which shut-down ends at once.
  round->next.store(count);
  while (round->busy.load() != 0) kernel.Sleep(kWaitPollMs);
  round->Release();
}

}  // namespace kestrane
