#include "update/update_check.h"

#include <new>

#include "core/notices.h"
#include "core/plugin_table.h"
#include "core/text_file.h"
#include "update/catalogue.h"
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
  // the order their bodies take in the metadata file. Behind them, fetched at the same time,
  // the catalogue and its signature, when one is set.
  SiteFetch sites[kMaxPlugins + 3];
  int siteCount = 0;
  int catalogueAt = -1;
  Path catalogueFile;
  Path catalogueKey;
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
  const ManagerSettings &s = m.settings;
  plan.catalogueFile = CatalogueFilePath(m.hostFolder);
  if (s.catalogueUrl.empty() || s.catalogueKey.empty() || plan.catalogueFile.empty()) return;
  plan.catalogueKey = s.catalogueKey;
  plan.catalogueAt = plan.siteCount;
  plan.sites[plan.catalogueAt].url = s.catalogueUrl;
  Path &signature = plan.sites[plan.catalogueAt + 1].url;
  if (!signature.Format("%s%s", s.catalogueUrl.c_str(), kCatalogueSignatureSuffix)) {
    signature.Clear();  // a cut address would be another file's: nothing verifies then
  }
}

// Only a catalogue whose signature verifies with the publisher's key replaces the last one,
// whole; anything else keeps it. False then.
bool KeepCatalogue(WorkerRun &run, const CheckPlan &plan) {
  const SiteFetch &catalogue = plan.sites[plan.catalogueAt];
  const SiteFetch &signature = plan.sites[plan.catalogueAt + 1];
  return catalogue.fetched && signature.fetched && !run.Stopped() &&
         IsSignedCatalogue(catalogue.body.view(), signature.body.view(),
                           plan.catalogueKey.view()) &&
         ReplaceFileContent(run.ports().kernel, plan.catalogueFile.c_str(), catalogue.body.view());
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
  FetchSites(run, plan.module, plan.sites, plan.siteCount + (plan.catalogueAt < 0 ? 0 : 2));
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
    run.Status(plan.coreWindow, "Downloading Update Information...");
    fetched = FetchMetadata(run, plan);
  }
  const char *readFrom = fetched ? plan.metadataFile.c_str() : "";
  const bool catalogueKept = plan.catalogueAt < 0 || KeepCatalogue(run, plan);
  int count = 0;
  if (!run.OnWindowThread([&](Manager &m) { count = MarkUpdates(m, readFrom); })) return;
  BoundedText<300> text;
  if (count > 0) {
    text.Format(
        "There are %d updates available.\n\nUse the \"Update Plugin\" menu\nto choose the "
        "updates you wish\nto install.",
        count);
  } else {
    text = "There are no updates available.";
  }
  if (!catalogueKept) {
    text.Append("\n\nThe plugin catalogue could not be verified; the last verified one is kept.");
  }
  run.Show(text.c_str(), box::kTopMost | box::kIconInformation);
}

}  // namespace

void UpdateCheckWorker(WorkerRun &run) {
  auto *plan = new (std::nothrow) CheckPlan;
  if (plan != nullptr) Check(run, *plan);
  delete plan;
  GiveBack(run, [](Manager &manager) { manager.updates.checkRunning = false; });
}

}  // namespace kestrane
