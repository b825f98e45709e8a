#include "update/update_commands.h"

#include "core/manager.h"
#include "core/notices.h"
#include "update/automatic_check.h"
#include "update/plugin_install.h"
#include "update/plugin_update.h"
#include "update/update_check.h"
#include "update/update_worker.h"

namespace kestrane {

void CheckForUpdates(Manager &m) {
  // One check at a time: a second would rewrite the same file under the first.
  if (m.updates.checkRunning.exchange(true)) {
    WantManualCheck(m);
    return;
  }
  if (!StartUpdateWorker(m, UpdateCheckWorker)) m.updates.checkRunning = false;
}

namespace {

// One update or install at a time: both replace files the other may be reading.
void StartOneAtATime(Manager &m, int busy, WorkerRoutine routine) {
  if (m.busyIndex.load() != -1) {
    ShowError(m, "You must wait for current download\nto complete before starting another!");
    return;
  }
  m.busyIndex = busy;  // before the worker starts: it takes its slot from here
  if (!StartUpdateWorker(m, routine)) m.busyIndex = -1;
}

}  // namespace

void UpdatePlugin(Manager &m, int slot) { StartOneAtATime(m, slot, PluginUpdateWorker); }

void InstallPlugin(Manager &m, std::string_view id) {
  const ManagerSettings &s = m.settings;
  // Offered only from a catalogue the user set; an id too long to hold names no entry.
  if (s.catalogueUrl.empty() || s.catalogueKey.empty() || id.empty() ||
      id.size() > Path::kMaxLength) {
    return;
  }
  if (m.busyIndex.load() == -1) m.updates.installId = id;  // a running install keeps its own
  StartOneAtATime(m, kInstallBusy, PluginInstallWorker);
}

}  // namespace kestrane
