#include "update/update_check.h"

#include <new>

#include "core/notices.h"
#include "core/plugin_table.h"
#include "core/text_file.h"
#include "update/automatic_check.h"
#include "update/download.h"
#include "update/plugin_release.h"
#include "update/site_fetch.h"
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
  ModuleHandle module = kNoModule;
  // The plug-ins' distinct sites in slot order, then the default site, also when it is empty:
  // the order their bodies take in the metadata file.
  SiteFetch sites[kMaxPlugins + 1];
  int siteCount = 0;
  bool automatic = false;
  int reached = 0;  // sites whose whole file came
};

void PlanCheck(Manager &m, CheckPlan &plan) {
  plan.metadataFile = MetadataFilePath(m.hostFolder);
  plan.coreWindow = m.coreWindow;
  plan.module = m.module;
  for (const PluginEntry &e : m.plugins.slots) {
    if (!e.inUse || e.updateUrl.empty()) continue;
    bool seen = false;
    for (int i = 0; i < plan.siteCount && !seen; ++i) {
      seen = plan.sites[i].url == e.updateUrl.view();
    }
    if (!seen) plan.sites[plan.siteCount++].url = e.updateUrl;
  }
  plan.sites[plan.siteCount++].url = m.settings.defaultUpdateUrl;
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

// Fetches every site at once, then writes their bodies in plan order into a new file beside the
// metadata file and moves it over that file, so an update started meanwhile reads the last
// whole file. A site that cannot be reached, or sends anything but a whole body, adds nothing.
bool FetchMetadata(WorkerRun &run, CheckPlan &plan) {
  FetchSites(run, plan.module, plan.sites, plan.siteCount);
  for (int i = 0; i < plan.siteCount; ++i) plan.reached += plan.sites[i].fetched ? 1 : 0;
  // The automatic check keeps what the last check found until it learns something.
  if (plan.automatic && plan.reached == 0) return false;
  StagedFile fresh;
  if (run.Stopped() || !fresh.Name(run.ports().kernel, plan.metadataFile.view(), kNewSuffix) ||
      !CreateEmptyFile(fresh.c_str())) {
    return false;
  }
  for (int i = 0; i < plan.siteCount; ++i) {
    if (plan.sites[i].fetched) AppendToFile(fresh.c_str(), plan.sites[i].body.view());
  }
  return !run.Stopped() && fresh.MoveOver(run.ports().kernel, plan.metadataFile.c_str());
}

void Check(WorkerRun &run, CheckPlan &plan) {
  if (!run.OnWindowThread([&](Manager &m) { PlanCheck(m, plan); })) return;
  // Where metadata.txt cannot be named, nothing fetched could be kept: the check finds nothing.
  bool fetched = false;
  if (!plan.metadataFile.empty()) {
    if (!plan.automatic) run.Status(plan.coreWindow, "Downloading Update Information...");
    fetched = FetchMetadata(run, plan);
  }
  if (plan.automatic && !fetched) return;  // nothing changes; the next look tries again
  const char *readFrom = fetched ? plan.metadataFile.c_str() : "";
  int count = 0;
  auto mark = [&](Manager &m) {
    count = MarkUpdates(m, readFrom);
    if (fetched && plan.reached > 0) NoteLastCheck(m);
  };
  if (!run.OnWindowThread(mark) || plan.automatic) return;
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

void RunCheck(WorkerRun &run, bool automatic) {
  auto *plan = new (std::nothrow) CheckPlan;
  if (plan != nullptr) {
    plan->automatic = automatic;
    Check(run, *plan);
  }
  delete plan;
}

}  // namespace

void UpdateCheckWorker(WorkerRun &run) {
  RunCheck(run, false);
  GiveBack(run, [](Manager &manager) { manager.updates.checkRunning = false; });
}

void AutomaticUpdateCheckWorker(WorkerRun &run) {
  RunCheck(run, true);
  GiveBack(run, [](Manager &manager) { EndAutomaticCheck(manager); });
}

}  // namespace kestrane
