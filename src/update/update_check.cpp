#include "update/update_check.h"

#include <new>

#include "core/notices.h"
#include "core/plugin_table.h"
#include "core/text_file.h"
#include "update/download.h"
#include "update/plugin_release.h"
#include "update/staged_file.h"
#include "update/update_metadata.h"
#include "update/update_worker.h"

namespace kestrane {

namespace {

constexpr const char *kNewSuffix = ".kestrane-new";

// What the check needs from the window thread before it downloads.
struct CheckPlan {
  Path metadataFile;
  WindowHandle coreWindow = kNoWindow;
  Path defaultSite;
  Path sites[kMaxPlugins];  // distinct, in slot order
  int siteCount = 0;
};

void PlanCheck(Manager &m, CheckPlan &plan) {
  plan.metadataFile = MetadataFilePath(m.hostFolder);
  plan.coreWindow = m.coreWindow;
  plan.defaultSite = m.settings.defaultUpdateUrl;
  for (const PluginEntry &e : m.plugins.slots) {
    if (!e.inUse || e.updateUrl.empty()) continue;
    bool seen = false;
    for (int i = 0; i < plan.siteCount && !seen; ++i) seen = plan.sites[i] == e.updateUrl.view();
    if (!seen) plan.sites[plan.siteCount++] = e.updateUrl;
  }
}

// On the window thread, which alone may call plug-ins and read through the shell. An empty
// `metadataFile` reads as nothing published.
int MarkUpdates(Manager &m, const char *metadataFile) {
  int count = 0;
  for (int i = 0; i < kMaxPlugins; ++i) {
    PluginEntry &e = m.plugins.slots[i];
    if (!e.inUse || !e.running) continue;
    PluginRelease own = OwnRelease(m, i);
    if (e.faulted) {  // while asked: it is out of this session, and unmarked
      e.updateAvailable = false;
      continue;
    }
    UpdateMetadata published = ReadUpdateMetadata(m.ports.shell, metadataFile, e.name.c_str());
    bool available = IsUpdateAvailable(published.version.view(), published.date.view(),
                                       own.version.view(), own.date.view());
    e.updateAvailable = available;
    count += available ? 1 : 0;
  }
  return count;
}

class CheckWatch final : public DownloadWatch {
 public:
  explicit CheckWatch(WorkerRun &run) : run_(run) {}
  bool Cancelled() override { return run_.Stopped(); }

 private:
  WorkerRun &run_;
};

// Fetches every site into a new file beside the metadata file and moves it over that file
// once all are done, so an update started meanwhile reads the last whole file.
bool FetchMetadata(WorkerRun &run, CheckPlan &plan) {
  Internet &internet = run.ports().internet;
  CheckWatch watch(run);
  StagedFile fresh;
  if (!fresh.Name(plan.metadataFile.view(), kNewSuffix) || !CreateEmptyFile(fresh.c_str())) {
    return false;
  }
  // A site that cannot be reached, or sends anything but a whole body, adds nothing.
  for (int i = 0; i < plan.siteCount && !run.Stopped(); ++i) {
    AppendUrlToFile(internet, plan.sites[i], fresh.c_str(), kMetadataLimitBytes, &watch);
  }
  if (run.Stopped()) return false;
  AppendUrlToFile(internet, plan.defaultSite, fresh.c_str(), kMetadataLimitBytes, &watch);
  return !run.Stopped() && fresh.MoveOver(run.ports().kernel, plan.metadataFile.c_str());
}

void Check(WorkerRun &run, CheckPlan &plan) {
  if (!run.OnWindowThread([&](Manager &m) { PlanCheck(m, plan); })) return;
  run.Status(plan.coreWindow, "Downloading Update Information...");
  bool fetched = FetchMetadata(run, plan);
  const char *readFrom = fetched ? plan.metadataFile.c_str() : "";
  int count = 0;
  if (!run.OnWindowThread([&](Manager &m) { count = MarkUpdates(m, readFrom); })) return;
  BoundedText<200> text;
  if (count > 0) {
    text.Format(
        "There are %d updates available.\n\nUse the \"Update Plugin\" menu\nto choose the "
        "updates you wish\nto install.",
        count);
  } else {
    text = "There are no updates available.";
  }
  run.Show(text.c_str(), box::kTopMost | box::kIconInformation);
}

}  // namespace

void UpdateCheckWorker(WorkerRun &run) {
  auto *plan = new (std::nothrow) CheckPlan;
  try {
    if (plan != nullptr) Check(run, *plan);
  } catch (...) {
    // Out of memory (a metadata body is held whole): the check ends here.
  }
  delete plan;
  run.manager().updates.checkRunning = false;
}

}  // namespace kestrane
