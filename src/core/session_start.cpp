#include "core/session_start.h"

#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/path_text.h"
#include "core/plugin_table.h"
#include "update/file_name.h"
#include "update/update_files.h"

namespace kestrane {

namespace {

constexpr const char *kEndedInStart =
    "The shell ended while %s was starting.\nIt was switched off; its line stays in the plugin "
    "list, disabled; \"Toggle Plugins\" starts it again.";
constexpr const char *kUpdateUndone =
    "The update of %s did not finish, so it was undone: the previous version runs again.";
constexpr const char *kNotInstalled = "%s could not start, so it was not installed.";
constexpr int kMovePollMs = 10;
constexpr int kMovePolls = 200;  // moving a few files aside takes milliseconds
constexpr const char *kEndedAbnormally =
    "The shell did not end normally last time.\n\nStart the plugins now?\nChoose No to start "
    "with every plugin stopped; \"Toggle Plugins\" starts them one by one.";

// An install the last session did not finish. Before the rename only its staging folder is
// ours, and goes quietly; after it, the plug-in's folder goes (its line follows once the list
// is read). Only folders an install makes are taken, directly under "plugins\" in the shell's
// folder. True when a plug-in was taken away.
bool UndoNotedInstall(Kernel &kernel, const Path &hostFolder, const NotedInstall &install) {
  Path plugins = hostFolder;
  const Path folder = FolderPart(install.library.view());
  if (folder.empty() || !plugins.Append("plugins\\")) return false;
  const Path target = folder.view().substr(0, folder.size() - 1);
  if (FolderPart(target.view()).view() != plugins.view() ||
      !IsPlainFileName(FileNamePart(target.view()).view())) {
    return false;
  }
  Path staging = install.staging;
  LowerCase(staging);
  const std::string_view suffix = kInstallStagingSuffix;
  if (staging.view().substr(0, target.size()) == target.view() &&
      staging.view().substr(target.size(), suffix.size()) == suffix &&
      FolderPart(staging.view()).view() == plugins.view() &&
      kernel.KindOf(staging.c_str()) != PathKind::kNothing) {
    kernel.RemoveTree(staging.c_str());
    return false;
  }
  if (kernel.KindOf(target.c_str()) == PathKind::kNothing) return false;
  kernel.RemoveTree(target.c_str());
  return true;
}

// An undone update or install is not also the plug-in the shell ended in: it is not held back,
// and its box says what happened instead.
void SayUndone(Manager &m, LastSession &last, const Path &library, const char *format,
               const Path &name) {
  if (last.starting.view() == library.view()) {
    if (last.whileLinking) m.journal.Release(last.starting.view());
    last.starting.Clear();
  }
  BoundedText<512> text;
  text.Format(format, name.c_str());
  ShowError(m, text.c_str());
}

}  // namespace

HeldBack BeginSession(Manager &m) {
  HeldBack held;
  JournalPath journal = JournalPathFor(m.listFilePath);
  if (journal.empty()) return held;
  for (int i = 0; i < kMovePolls && m.updates.movingFiles.load(); ++i) {
    m.ports.kernel.Sleep(kMovePollMs);
  }
  LastSession last = m.journal.Begin(journal.c_str(), m.ports.kernel);
  const NotedReplacement &update = last.update;
  if (update.count > 0) {
    // Before anything is linked: the previous version starts as if no update had come, even
    // when the new one ended the shell while it loaded or started.
    UndoNotedReplacement(m.ports.kernel, update);
    SayUndone(m, last, update.plugin, kUpdateUndone, update.name);
  }
  const NotedInstall &install = last.install;
  const bool uninstalled = UndoNotedInstall(m.ports.kernel, m.hostFolder, install);
  if (uninstalled) {
    held.installed = install.library;
    SayUndone(m, last, install.library, kNotInstalled, install.name);
  }
  // A plug-in's note alone counts, and so does an undone update or install: no question then.
  if (!last.starting.empty()) {
    held.library = last.starting;
  } else if (!last.endedNormally && update.count == 0 && !uninstalled) {
    int answer = ShowModalBox(m, kNoWindow, kEndedAbnormally, kCaption,
                              box::kTopMost | box::kIconInformation | box::kYesNo);
    held.everyPlugin = answer != box::kAnswerYes;
  }
  return held;
}

void SwitchOffHeldBack(Manager &m, const HeldBack &held) {
  // A held library whose lines are gone from the list is held no more.
  for (int i = m.journal.HeldCount() - 1; i >= 0; --i) {
    const Path library = m.journal.Held(i);
    bool listed = false;
    for (const PluginEntry &e : m.plugins.slots) listed = listed || HoldsPlugin(e, library.view());
    if (!listed) m.journal.Release(library.view());
  }
  bool found = false;
  for (int slot = 0; slot < kMaxPlugins; ++slot) {
    PluginEntry &e = m.plugins.slots[slot];
    if (!e.inUse) continue;
    if (!held.installed.empty() && e.path.view() == held.installed.view()) {
      e.inUse = false;
      RemovePluginLines(m, slot);
    } else if (held.everyPlugin) {
      e.enabled = false;  // for this session only: the file keeps every line as it was
    } else if (!held.library.empty() && e.path.view() == held.library.view()) {
      e.enabled = false;
      RewritePluginLine(m, slot, true, e.wantsSlit);
      found = true;
    }
  }
  if (!found) return;
  BoundedText<512> text;
  text.Format(kEndedInStart, FileNamePart(held.library.view()).c_str());
  ShowError(m, text.c_str());
}

}  // namespace kestrane
