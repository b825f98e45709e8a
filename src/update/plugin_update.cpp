#include "update/plugin_update.h"

#include <atomic>
#include <memory>
#include <new>

#include "core/path_text.h"
#include "core/plugin_table.h"
#include "ui/commands.h"
#include "update/download.h"
#include "update/plugin_release.h"
#include "update/release_statement.h"
#include "update/update_files.h"
#include "update/update_key.h"
#include "update/update_metadata.h"
#include "update/update_signatures.h"
#include "update/update_worker.h"
#include "update/zip_extraction.h"

namespace kestrane {

namespace {

constexpr unsigned kInfo = box::kTopMost | box::kIconInformation;
constexpr unsigned kError = box::kTopMost | box::kIconError;
constexpr unsigned kQuestion = kInfo | box::kYesNo;
constexpr unsigned kStopTimeoutMs = 4000;
constexpr unsigned kStopPollMs = 50;
constexpr unsigned kProgressEveryMs = 250;  // at most four progress texts a second

constexpr const char *kNoInformation = "No update information was available";
constexpr const char *kAlreadyCurrent = "You already have the online version of this plugin";
constexpr const char *kConsent =
    "Name: \t\t%s\nCurrent Version: \t%s\nDate: \t\t%s\n\nOnline Version: \t%s\nDate: \t\t%s\n"
    "Author: \t\t%s\n\nDescription...\n%s\n\nChanges...\n%s\n\nDo you want to download this "
    "update?";
constexpr const char *kNoFileInformation =
    "No file information was provided!\nPlease contact the plugin's developer.";
constexpr const char *kReloadProblem = "A Problem occurred when trying\nto reload the plugin.";
constexpr const char *kDownloadFailed = "Could not complete download";
constexpr const char *kFileDownloadFailed = "Could not complete download\nof %s from %s:\n%s";
constexpr const char *kComplete =
    "Update Procedure Complete.\n\nIf the download included a zip file you\nmay have to check "
    "that the files where\nextracted to the right place ;P";
constexpr const char *kChecksumMismatch =
    "The downloaded file %s does not match its published checksum.";
constexpr const char *kNotSigned =
    "The update of %.*s is not signed with its update key.\nNothing was changed.";
constexpr const char *kOlderRelease =
    "The update of %.*s, dated %.*s, is older than the version you have.\nNothing was changed.";
constexpr const char *kNoNewKey =
    "The new version of %s carries no update key.\nNothing was changed.";
constexpr const char *kZipQuestion =
    "The update included a zip archive called %s.\nWould you like to extract it now? If yes, "
    "then\nyou will be prompted for a folder to extract it to.";
constexpr const char *kFolderTitle = "Select the folder to extract to...";
constexpr const char *kExtractionMessage =
    "The zip archive extraction produced the following message...\n\n%s";
constexpr const char *kUndone =
    "The new version of %s could not start, so the update was undone:\nthe previous version "
    "runs again.";
constexpr const char *kExtractedFilesKept =
    "\nFiles extracted from its archive were left where they are.";

using Message = BoundedText<10000>;

// What the update needs of its slot, taken on the window thread.
struct Snapshot {
  bool inUse = false;
  Path path;
  Path name;
  WindowHandle coreWindow = kNoWindow;
  PluginRelease own;
  UpdateMetadata published;
  UpdateKey key;  // of the library the update would replace
};

bool TakeSnapshot(WorkerRun &run, int slot, Snapshot &s) {
  return run.OnWindowThread([&](Manager &m) {
    const PluginEntry &e = m.plugins.slots[slot];
    s.inUse = e.inUse;
    if (!s.inUse) return;
    s.path = e.path;
    s.name = e.name;
    s.coreWindow = m.coreWindow;
    s.own = OwnRelease(m, slot);
    if (e.faulted) s.inUse = false;  // faulted while asked: the update ends without asking
    s.published =
        ReadUpdateMetadata(m.ports.shell, MetadataFilePath(m.hostFolder).c_str(), e.name.c_str());
    s.key = ReadUpdateKey(m.ports.libraries, e.path.c_str());
  });
}

// Results apply only to a slot that still holds the plug-in the update began with.
PluginEntry *Same(Manager &m, int slot, const Path &path) {
  PluginEntry &e = m.plugins.slots[slot];
  return HoldsPlugin(e, path.view()) ? &e : nullptr;
}

void ClearUpdateFlag(WorkerRun &run, int slot, const Path &path) {
  run.OnWindowThread([&](Manager &m) {
    if (PluginEntry *e = Same(m, slot, path)) e->updateAvailable = false;
  });
}

void Toggle(Manager &m, int slot) {
  BoundedText<32> command;
  command.Format("TogglePlugin %d", slot);
  CarryOutCommand(m, command.view());
}

enum class StopOutcome { kStopped, kStillRunning, kGone, kFaulted, kShutDown };

// The TogglePlugin command, then up to four seconds for the plug-in to be seen stopped.
StopOutcome StopPlugin(WorkerRun &run, int slot, const Path &path) {
  bool same = false;
  bool running = true;
  bool faulted = false;
  auto stop = [&](Manager &m) {
    PluginEntry *e = Same(m, slot, path);
    same = e != nullptr;
    if (!same) return;
    Toggle(m, slot);
    running = e->running;
    faulted = e->faulted;
    if (!running && !faulted) {
      m.updates.pausedSlot = slot;
      m.updates.pausedPath = path;
    }
  };
  auto look = [&](Manager &m) {
    PluginEntry *e = Same(m, slot, path);
    same = e != nullptr;
    running = same && e->running;
  };
  if (!run.OnWindowThread(stop)) return StopOutcome::kShutDown;
  if (faulted) return StopOutcome::kFaulted;
  Kernel &kernel = run.ports().kernel;
  unsigned started = kernel.TickCount();
  while (same && running) {
    if (kernel.TickCount() - started > kStopTimeoutMs) return StopOutcome::kStillRunning;
    kernel.Sleep(kStopPollMs);
    if (!run.OnWindowThread(look)) return StopOutcome::kShutDown;
  }
  return same ? StopOutcome::kStopped : StopOutcome::kGone;
}

enum class RestartOutcome { kRunning, kFailed, kGone, kShutDown };

// `updated` false: back on its old files, for which the update is still there. A new version
// that started (or a plug-in removed meanwhile) ends the journal's note of the update.
RestartOutcome RestartPlugin(WorkerRun &run, int slot, const Path &path, bool updated) {
  RestartOutcome outcome = RestartOutcome::kGone;
  bool ran = run.OnWindowThread([&](Manager &m) {
    if (m.updates.pausedSlot == slot) m.updates.pausedSlot = -1;
    PluginEntry *e = Same(m, slot, path);
    if (e != nullptr) {
      // The new version's fault is the update's to undo, not the user's to switch off.
      if (updated) m.updateRestartSlot = slot;
      if (!e->running) Toggle(m, slot);
      m.updateRestartSlot = -1;
      e->updateAvailable = !updated;
      outcome = e->running ? RestartOutcome::kRunning : RestartOutcome::kFailed;
    }
    if (updated && outcome != RestartOutcome::kFailed) m.journal.ClearReplacement();
  });
  return ran ? outcome : RestartOutcome::kShutDown;
}

// Before the first move: the journal notes every target and where its previous file goes, so
// that a process that ends before the new version has started is undone at the next start.
// False when the note could not be written, or shut-down came: nothing may move then.
bool NoteReplacement(WorkerRun &run, const Snapshot &s, const UpdatePlan &plan) {
  auto note = std::unique_ptr<NotedReplacement>(new (std::nothrow) NotedReplacement);
  if (!note) return false;
  note->plugin = s.path;
  note->name = s.name;
  NoteOf(plan, *note);
  bool noted = false;
  return run.OnWindowThread([&](Manager &m) { noted = m.journal.NoteReplacement(*note); }) && noted;
}

void ClearNote(WorkerRun &run) {
  run.OnWindowThread([](Manager &m) { m.journal.ClearReplacement(); });
}

// The moves themselves, which a begin after an end in this image waits for.
template <typename Move>
void MoveFiles(WorkerRun &run, Move move) {
  std::atomic<bool> &moving = run.manager().updates.movingFiles;
  moving = true;
  move(run.ports().kernel);
  moving = false;
}

// Progress texts for one file, when the server gave its length.
class FileWatch final : public DownloadWatch {
 public:
  FileWatch(WorkerRun &run, WindowHandle coreWindow, const Path &name)
      : run_(run), coreWindow_(coreWindow), name_(name), last_(run.ports().kernel.TickCount()) {}

  bool Cancelled() override { return run_.Stopped(); }

  void Progress(std::uint64_t received, std::uint64_t length) override {
    if (length == 0) return;
    unsigned now = run_.ports().kernel.TickCount();
    if (now - last_ < kProgressEveryMs) return;
    last_ = now;
    BoundedText<300> text;
    text.Format("Downloading %s... %u%%", name_.c_str(),
                static_cast<unsigned>(received * 100 / length));
    run_.Status(coreWindow_, text.c_str());
  }

 private:
  WorkerRun &run_;
  WindowHandle coreWindow_;
  const Path &name_;
  unsigned last_;
};

void ShowAboutFile(WorkerRun &run, const char *format, const Path &name) {
  Message text;
  text.Format(format, name.c_str());
  run.Show(text.c_str(), kError);
}

// Why a file did not arrive, as its download saw it.
BoundedText<80> DescribeProblem(const DownloadProblem &problem) {
  BoundedText<80> why;
  switch (problem.kind) {
    case DownloadProblem::Kind::kStatus:
      why.Format("HTTP status %d", static_cast<int>(problem.code));
      break;
    case DownloadProblem::Kind::kNoConnection:
      why.Format("no connection (error %lu)", problem.code);
      break;
    case DownloadProblem::Kind::kBrokenOff:
      why.Format("broken off after %lu bytes", static_cast<unsigned long>(problem.received));
      break;
    case DownloadProblem::Kind::kTooLarge:
      why.Format("more than %lu bytes", static_cast<unsigned long>(kUpdateFileLimitBytes));
      break;
    case DownloadProblem::Kind::kInsecureRedirect: why = "redirected away from https"; break;
    case DownloadProblem::Kind::kNotStored: why = "the file could not be stored"; break;
    case DownloadProblem::Kind::kNone:
    case DownloadProblem::Kind::kCancelled: break;
  }
  return why;
}

// One file of the update, fetched to its temporary name and checked. Shows why when it fails.
bool DownloadUpdateFile(WorkerRun &run, WindowHandle coreWindow, UpdateFile &file) {
  Message status;
  status.Format("Downloading %s...", file.shown.c_str());
  run.Status(coreWindow, status.c_str());
  Path url = file.url;
  Path incoming{file.incoming.c_str()};
  FileWatch watch(run, coreWindow, file.shown);
  Kernel &kernel = run.ports().kernel;
  DownloadProblem problem;
  bool arrived = DownloadUrlToFile(run.ports().internet, kernel, url, incoming,
                                   kUpdateFileLimitBytes, &watch, &problem, file.coding);
  if (run.Stopped()) return false;
  if (!arrived) {
    Message text;
    text.Format(kFileDownloadFailed, file.shown.c_str(), url.c_str(),
                DescribeProblem(problem).c_str());
    run.Show(text.c_str(), kError);
    return false;
  }
  if (!file.hasDigest || MatchesSha256(kernel, file.incoming.path(), file.digest)) return true;
  ShowAboutFile(run, kChecksumMismatch, file.shown);
  return false;
}

// True when the archive was extracted, wholly or in part.
bool OfferExtraction(WorkerRun &run, const UpdateFile &file) {
  Message question;
  question.Format(kZipQuestion, file.shown.c_str());
  if (run.Show(question.c_str(), kQuestion) != box::kAnswerYes || run.Stopped()) return false;
  Manager &m = run.manager();
  Path folder =
      m.ports.folders.ChooseFolder(m.managerWindow.load(), kFolderTitle, kBrowseFileSystemFolders);
  TrimBlanks(folder);
  if (folder.empty() || run.Stopped()) return false;
  if (folder.view().back() != '\\' && !folder.Append("\\")) return false;
  Path result = ExtractZipArchive(run, file.Target(), folder.c_str());
  if (!result.empty()) ShowExtractionMessage(run, result);
  return true;
}

// The list of URLs to fetch: files, or the archive in its place; empty when neither is given.
std::string_view FileList(const UpdateMetadata &published) {
  if (IsPublished(published.files.view())) return published.files.view();
  if (IsPublished(published.archive.view())) return published.archive.view();
  return {};
}

// When the plug-in carries its author's key, the release must be signed with it and no older
// than the running one. Checked on the metadata alone, before anything is downloaded.
bool SignedByAuthor(WorkerRun &run, const Snapshot &s, const UpdatePlan &plan) {
  const UpdateMetadata &p = s.published;
  PublishedRelease release{s.name.view(), p.version.view(), p.date.view(),
                           !IsPublished(p.files.view())};
  return IsReleaseSigned(run, s.key, p.signature.view(), release, plan, s.own.date.view());
}

// A keyed plug-in's new library must bring a key too, or every later update of it would go
// unsigned. Read from its staged file, before anything is replaced.
bool NewLibraryKeepsAKey(WorkerRun &run, const Snapshot &s, const UpdatePlan &plan) {
  if (s.key.kind == UpdateKey::Kind::kNone) return true;
  // Compared as the file system compares names, both in the plan's coding: a name that differs
  // from the library's only in a letter's case, or only in its coding, still replaces it.
  Path library;
  if (!FileNameKeyOf(run.ports().kernel, FileNamePart(s.path.view()).view(), library)) {
    ShowAboutFile(run, kNoNewKey, s.name);
    return false;
  }
  for (int i = 0; i < plan.count; ++i) {
    const UpdateFile &file = plan.files[i];
    if (file.key.view() != library.view()) continue;
    UpdateKey key;
    if (!run.OnWindowThread(
            [&](Manager &m) { key = ReadUpdateKey(m.ports.libraries, file.incoming.path()); })) {
      return false;
    }
    if (key.kind == UpdateKey::Kind::kKey) return true;
    ShowAboutFile(run, kNoNewKey, s.name);
    return false;
  }
  return true;  // the library stays, and its key with it
}

bool PlanFiles(WorkerRun &run, const Snapshot &s, UpdatePlan &plan) {
  const UpdateMetadata &p = s.published;
  std::string_view list = FileList(p);
  // A cut list would install part of a release as if it were all of it.
  if (IsCut(p.files) || IsCut(p.archive) || IsCut(p.sha256) || IsCut(p.signature)) list = {};
  std::string_view sha256 = IsPublished(p.sha256.view()) ? p.sha256.view() : std::string_view();
  return PlanReleaseFiles(run, list, FolderPart(s.path.view()).view(), sha256, plan);
}

// The new version could not be linked or faulted while starting (and is unloaded again): the
// previous files go back and start once more. Extracted files stay where the user put them.
void UndoUpdate(WorkerRun &run, int slot, const Snapshot &s, UpdatePlan &plan, bool extracted) {
  MoveFiles(run, [&](Kernel &kernel) { RestorePreviousFiles(kernel, plan); });
  ClearNote(run);
  // Should the previous version not start either, its own box has said so.
  if (RestartPlugin(run, slot, s.path, false) != RestartOutcome::kRunning) return;
  Message text;
  text.Format(kUndone, s.name.c_str());
  if (extracted) text.Append(kExtractedFilesKept);
  run.Show(text.c_str(), kError);
}

void UpdateSlot(WorkerRun &run, int slot) {
  auto s = std::unique_ptr<Snapshot>(new (std::nothrow) Snapshot);
  auto plan = std::unique_ptr<UpdatePlan>(new (std::nothrow) UpdatePlan);
  if (!s || !plan || !TakeSnapshot(run, slot, *s) || !s->inUse) return;
  const UpdateMetadata &published = s->published;
  if (!IsPublished(published.version.view())) {
    run.Show(kNoInformation, kError);
    ClearUpdateFlag(run, slot, s->path);
    return;
  }
  if (published.version.view() == s->own.version.view() &&
      published.date.view() == s->own.date.view()) {
    run.Show(kAlreadyCurrent, kError);
    ClearUpdateFlag(run, slot, s->path);
    return;
  }
  Message consent;
  consent.Format(kConsent, s->name.c_str(), s->own.version.c_str(), s->own.date.c_str(),
                 published.version.c_str(), published.date.c_str(), published.author.c_str(),
                 published.information.c_str(), published.changes.c_str());
  if (run.Show(consent.c_str(), kQuestion) != box::kAnswerYes || run.Stopped()) return;
  if (!PlanFiles(run, *s, *plan) || !SignedByAuthor(run, *s, *plan)) return;

  // Everything arrives while the plug-in keeps running; a failure leaves it untouched.
  for (int i = 0; i < plan->count; ++i) {
    if (!DownloadUpdateFile(run, s->coreWindow, plan->files[i])) return;
  }
  if (run.Stopped() || !NewLibraryKeepsAKey(run, *s, *plan)) return;
  switch (StopPlugin(run, slot, s->path)) {
    case StopOutcome::kStopped: break;
    case StopOutcome::kShutDown:
    case StopOutcome::kFaulted: return;  // reported as any fault; nothing has been replaced
    case StopOutcome::kGone: run.Show(kDownloadFailed, kError); return;
    case StopOutcome::kStillRunning: run.Show(kReloadProblem, kError); return;
  }
  // Shut-down came just after the stop: the plug-in goes back to its old files next time, and
  // its line is switched on again. Once begun, the moves run to their end even when shut-down
  // comes meanwhile: the journal's note has the next start put the old files back.
  if (run.Stopped()) return;
  bool replaced = NameAsides(run.ports().kernel, *plan) && NoteReplacement(run, *s, *plan);
  if (replaced) MoveFiles(run, [&](Kernel &kernel) { replaced = ReplaceFiles(kernel, *plan); });
  if (!replaced) {
    ClearNote(run);
    RestartPlugin(run, slot, s->path, false);
    run.Show(kDownloadFailed, kError);
    return;
  }
  bool extracted = false;
  for (int i = 0; i < plan->count && !run.Stopped(); ++i) {
    if (plan->files[i].name.view().find(".zip") != std::string_view::npos) {
      extracted = OfferExtraction(run, plan->files[i]) || extracted;
    }
  }
  // The previous files stay aside until the new version has started; on a shut-down before
  // that they stay there, and the next start puts them back, as the journal's note says.
  switch (RestartPlugin(run, slot, s->path, true)) {
    case RestartOutcome::kShutDown: KeepPreviousFiles(*plan); return;
    case RestartOutcome::kFailed: UndoUpdate(run, slot, *s, *plan, extracted); return;
    case RestartOutcome::kRunning:
    case RestartOutcome::kGone: break;
  }
  DiscardPreviousFiles(*plan);
  run.Show(kComplete, kInfo);
}

}  // namespace

void PluginUpdateWorker(WorkerRun &run) {
  Manager &m = run.manager();
  int slot = m.busyIndex.load();
  if (ValidSlot(slot)) UpdateSlot(run, slot);
  GiveBack(run, [](Manager &manager) { manager.busyIndex = -1; });
}

bool PlanReleaseFiles(WorkerRun &run, std::string_view list, std::string_view folder,
                      std::string_view sha256, UpdatePlan &plan) {
  PlanResult result = PlanUpdateFiles(run.ports().kernel, list, folder, sha256, plan);
  switch (result.problem) {
    case PlanProblem::kNone: return true;
    case PlanProblem::kNoFiles: run.Show(kNoFileInformation, kError); break;
    case PlanProblem::kUnsafeName: run.Show(kDownloadFailed, kError); break;
    case PlanProblem::kBadChecksum:
      ShowAboutFile(run, kChecksumMismatch, plan.files[result.file].shown);
      break;
  }
  return false;
}

bool IsReleaseSigned(WorkerRun &run, const UpdateKey &key, std::string_view signature,
                     const PublishedRelease &release, const UpdatePlan &plan,
                     std::string_view ownDate) {
  Message text;
  const int name = static_cast<int>(release.name.size());
  switch (CheckRelease(key, signature, release, plan, ownDate)) {
    case ReleaseVerdict::kAccepted: return true;
    case ReleaseVerdict::kNotSigned: text.Format(kNotSigned, name, release.name.data()); break;
    case ReleaseVerdict::kOlder:
      text.Format(kOlderRelease, name, release.name.data(), static_cast<int>(release.date.size()),
                  release.date.data());
      break;
  }
  run.Show(text.c_str(), kError);
  return false;
}

bool DownloadReleaseFile(WorkerRun &run, WindowHandle coreWindow, UpdateFile &file) {
  return DownloadUpdateFile(run, coreWindow, file);
}

void ShowExtractionMessage(WorkerRun &run, const Path &result) {
  Message text;
  text.Format(kExtractionMessage, result.c_str());
  run.Show(text.c_str(), kInfo);
}

}  // namespace kestrane
