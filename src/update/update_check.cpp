#include "update/update_check.h"

#include <new>

#include "core/notices.h"
#include "core/plugin_table.h"
#include "core/text_file.h"
#include "update/automatic_check.h"
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
constexpr int kMaxUnreachedShown = 5;

using CheckMessage = BoundedText<2048>;  // room for the count and five whole addresses

// What the check needs from the window thread before it downloads.
struct CheckPlan {
  Path metadataFile;
  WindowHandle coreWindow = kNoWindow;
  ModuleHandle module = kNoModule;
  // The plug-ins' distinct sites in slot order, then the default site when there is one: the
  // order their bodies take in the metadata file. Behind them, fetched at the same time but no
  // update site, the catalogue and its signature, when one is set.
  SiteFetch sites[kMaxPlugins + 3];
  int siteCount = 0;
  bool fetched = false;  // the sites were tried
  bool automatic = false;
  int reached = 0;  // sites whose whole file came
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
  if (!m.settings.defaultUpdateUrl.empty()) {
    plan.sites[plan.siteCount++].url = m.settings.defaultUpdateUrl;
  }
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

int SitesReached(const CheckPlan &plan) {
  int reached = 0;
  for (int i = 0; i < plan.siteCount; ++i) reached += plan.sites[i].fetched ? 1 : 0;
  return reached;
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

// Writes the fetched bodies in plan order into a new file beside the metadata file and moves
// it over that file, so an update started meanwhile reads the last whole file. A site that
// could not be reached, or sent anything but a whole body, adds nothing.
bool WriteMetadata(WorkerRun &run, CheckPlan &plan) {
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

// So that "no updates" never stands for "no answer": the sites that failed, the first few by
// their addresses.
void AppendUnreachedSites(const CheckPlan &plan, CheckMessage &text) {
  int failed = plan.siteCount - SitesReached(plan);
  if (!plan.fetched || failed == 0) return;
  BoundedText<100> heading;
  heading.Format("\n\n%d of the %d update sites could not be reached:\n", failed, plan.siteCount);
  text.Append(heading.view());
  int shown = 0;
  for (int i = 0; i < plan.siteCount; ++i) {
    if (plan.sites[i].fetched) continue;
    if (shown == kMaxUnreachedShown) {
      text.Append("\n...");
      break;
    }
    if (shown++ > 0) text.Append("\n");
    text.Append(plan.sites[i].url.view());
  }
}

void Check(WorkerRun &run, CheckPlan &plan) {
  if (!run.OnWindowThread([&](Manager &m) { PlanCheck(m, plan); })) return;
  // Where metadata.txt cannot be named, nothing fetched could be kept: the check finds nothing.
  // Where no site was reached, the last check's file stands, and with it the marks it gives.
  const char *readFrom = "";
  bool written = false;
  if (!plan.metadataFile.empty()) {
    if (!plan.automatic) run.Status(plan.coreWindow, "Downloading Update Information...");
    FetchSites(run, plan.module, plan.sites, plan.siteCount + (plan.catalogueAt < 0 ? 0 : 2));
    plan.fetched = true;
    plan.reached = SitesReached(plan);
    bool keepLast = plan.siteCount > 0 && plan.reached == 0;
    written = !keepLast && WriteMetadata(run, plan);
    if (keepLast || written) readFrom = plan.metadataFile.c_str();
  }
  // The automatic check keeps what the last check found until it learns something; the next
  // look tries again.
  if (plan.automatic && (plan.reached == 0 || !written)) return;
  const bool catalogueKept = plan.catalogueAt < 0 || KeepCatalogue(run, plan);
  int count = 0;
  auto mark = [&](Manager &m) {
    count = MarkUpdates(m, readFrom);
    if (written && plan.reached > 0) NoteLastCheck(m);
  };
  if (!run.OnWindowThread(mark) || plan.automatic) return;
  CheckMessage text;
  if (count > 0) {
    text.Format(
        "There are %d updates available.\n\nUse the \"Update Plugin\" menu\nto choose the "
        "updates you wish\nto install.",
        count);
  } else {
    text = "There are no updates available.";
  }
  AppendUnreachedSites(plan, text);
  if (!catalogueKept) {
    text.Append("\n\nThe plugin catalogue could not be verified; the last verified one is kept.");
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
