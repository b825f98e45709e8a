#include "update/update_commands.h"

#include "core/manager.h"
#include "core/notices.h"
#include "update/automatic_check.h"
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

void UpdatePlugin(Manager &m, int slot) {
  if (m.busyIndex.load() != -1) {
    ShowError(m, "You must wait for current download\nto complete before starting another!");
    return;
  }
  m.busyIndex = slot;  // before the worker starts: it takes its slot from here
  if (!StartUpdateWorker(m, PluginUpdateWorker)) m.busyIndex = -1;
}

}  // namespace kestrane
