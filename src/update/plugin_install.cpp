#include "update/plugin_install.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/list_file.h"
#include "core/path_text.h"
#include "core/plugin_add_remove.h"
#include "core/plugin_table.h"
#include "update/catalogue.h"
#include "update/plugin_update.h"
#include "update/release_statement.h"
#include "update/update_files.h"
#include "update/update_key.h"
#include "update/update_worker.h"
#include "update/zip_extraction.h"

namespace kestrane {

namespace {

constexpr unsigned kInfo = box::kTopMost | box::kIconInformation;
constexpr unsigned kError = box::kTopMost | box::kIconError;
constexpr const char *kConsent =
    "Name: \t\t%.*s\nVersion: \t%.*s\nDate: \t\t%.*s\nAuthor: \t\t%.*s\n\nDescription...\n%.*s\n\n"
    "Do you want to install this plugin?";
constexpr const char *kInstalled = "%.*s %.*s was installed and started.";
constexpr const char *kNotInstalled = "%.*s could not start, so it was not installed.";
constexpr const char *kFolderTaken =
    "The folder plugins\\%.*s exists already, so %.*s was not installed.";
constexpr int kNameAttempts = 10;

using Message = BoundedText<10000>;

int Size(std::string_view text) { return static_cast<int>(text.size()); }

// What the install needs, read on the window thread from the verified catalogue.
struct InstallPlan {
  Catalogue catalogue;
  CatalogueEntry entry;
  Path target;   // "plugins\FOLDER" in the shell's folder
  Path library;  // the plug-in's library in it
  WindowHandle coreWindow = kNoWindow;
  UpdatePlan files;
};

bool TakePlan(WorkerRun &run, InstallPlan &p) {
  bool found = false;
  bool ran = run.OnWindowThread([&](Manager &m) {
    const Path file = CatalogueFilePath(m.hostFolder);
    if (file.empty() || !ReadCatalogue(file.c_str(), p.catalogue)) return;
    const CatalogueEntry *entry = FindCatalogueEntry(p.catalogue, m.updates.installId.view());
    if (entry == nullptr || !IsCompleteEntry(*entry)) return;
    p.entry = *entry;
    p.target = InstalledFolder(m.hostFolder, entry->folder);
    p.coreWindow = m.coreWindow;
    found = !p.target.empty() && p.library.Format("%s\\%.*s", p.target.c_str(),
                                                  Size(entry->library), entry->library.data());
  });
  return ran && found;
}

// Shows `format`, filled with the entry's name and one more text.
void Say(WorkerRun &run, const char *format, std::string_view first, std::string_view second,
         unsigned style) {
  Message text;
  text.Format(format, Size(first), first.data(), Size(second), second.data());
  run.Show(text.c_str(), style);
}

// A folder of ours beside the target, under a name nothing holds yet. It goes, with all that is
// in it, on every way out unless it was put in the target's place.
class StagedFolder {
 public:
  explicit StagedFolder(Kernel &kernel) : kernel_(kernel) {}
  StagedFolder(const StagedFolder &) = delete;
  StagedFolder &operator=(const StagedFolder &) = delete;
  ~StagedFolder() {
    if (!path_.empty()) kernel_.RemoveTree(path_.c_str());
  }

  bool Make(const Path &target) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      Path name;
      bool fits = attempt == 0
                      ? name.Format("%s%s", target.c_str(), kInstallStagingSuffix)
                      : name.Format("%s%s%d", target.c_str(), kInstallStagingSuffix, attempt);
      if (!fits) return false;
      if (kernel_.KindOf(name.c_str()) != PathKind::kNothing) continue;
      if (!kernel_.CreateFolder(name.c_str())) return false;
      path_ = name;
      return true;
    }
    return false;
  }
  const Path &path() const { return path_; }
  bool MoveTo(const Path &target) {
    if (!kernel_.RenameFolder(path_.c_str(), target.c_str())) return false;
    path_.Clear();
    return true;
  }

 private:
  Kernel &kernel_;
  Path path_;
};

// The journal's note of this install, from the staging folder's making until the plug-in has
// started or all of it is gone again, so that the next start takes away what a process that
// ended meanwhile left. Made before the staging folder, so it is cleared after that has gone.
class InstallNote {
 public:
  explicit InstallNote(WorkerRun &run) : run_(run) {}
  InstallNote(const InstallNote &) = delete;
  InstallNote &operator=(const InstallNote &) = delete;
  ~InstallNote() {
    if (noted_) run_.OnWindowThread([](Manager &m) { m.journal.ClearInstall(); });
  }

  bool Write(const InstallPlan &p, const Path &staging) {
    NotedInstall note;
    note.staging = staging;
    note.library = p.library;
    LowerCase(note.library);
    note.name = p.entry.name;
    bool written = false;
    noted_ = run_.OnWindowThread([&](Manager &m) { written = m.journal.NoteInstall(note); });
    return noted_ && written;
  }

 private:
  WorkerRun &run_;
  bool noted_ = false;
};

// The files in place inside the staging folder: each moved from its temporary name, or the
// archive's entries extracted there (the archive itself goes with its temporary name).
bool PutInPlace(WorkerRun &run, InstallPlan &p, const Path &folder) {
  UpdatePlan &files = p.files;
  if (!p.entry.files.empty()) return ReplaceFiles(run.ports().kernel, files);
  Path result;
  StagedFile &archive = files.files[0].incoming;
  if (ExtractZipArchiveQuietly(run, archive.path(), folder.c_str(), result)) {
    archive.Remove();  // the folder holds the archive's entries, not the archive
    return true;
  }
  if (!run.Stopped()) ShowExtractionMessage(run, result);
  return false;
}

// On the window thread. The library must be there and carry the key the entry names (or none
// when it names none) before any of its code runs; then it is added and started as any other.
// False when it did not start: its slot and line are gone again, a faulted library freed.
bool AddInstalled(Manager &m, const InstallPlan &p) {
  if (m.ports.kernel.KindOf(p.library.c_str()) != PathKind::kFile) return false;
  const UpdateKey carried = ReadUpdateKey(m.ports.libraries, p.library.c_str());
  const UpdateKey named = p.entry.key.empty() ? UpdateKey() : ParseUpdateKey(p.entry.key);
  if (carried.kind != named.kind ||
      std::memcmp(carried.bytes, named.bytes, sizeof carried.bytes) != 0) {
    return false;
  }
  Path path = p.library;
  LowerCase(path);
  const int slot = AddPlugin(m, path, true, true);
  if (!ValidSlot(slot)) return false;
  PluginEntry &e = m.plugins.slots[slot];
  if (!HoldsPlugin(e, path.view())) return false;
  if (e.running) return true;
  if (e.module != kNoModule) StopPlugin(m, slot);
  e.inUse = false;
  RemovePluginLines(m, slot);
  return false;
}

void Install(WorkerRun &run, InstallPlan &p) {
  if (!TakePlan(run, p)) return;
  const CatalogueEntry &e = p.entry;
  Message consent;
  consent.Format(kConsent, Size(e.name), e.name.data(), Size(e.version), e.version.data(),
                 Size(e.date), e.date.data(), Size(e.author), e.author.data(), Size(e.information),
                 e.information.data());
  if (run.Show(consent.c_str(), kInfo | box::kYesNo) != box::kAnswerYes || run.Stopped()) return;

  Kernel &kernel = run.ports().kernel;
  const Path plugins = FolderPart(p.target.view());
  InstallNote note(run);
  StagedFolder staging(kernel);
  if (kernel.KindOf(p.target.c_str()) != PathKind::kNothing) {
    Say(run, kFolderTaken, e.folder, e.name, kError);
    return;
  }
  Path folder;
  // Everything arrives and is checked in the staging folder: until it is renamed, nothing of
  // the shell's folder has changed.
  if (!kernel.CreateFolder(Path(plugins.view().substr(0, plugins.size() - 1)).c_str()) ||
      !staging.Make(p.target) || !folder.Format("%s\\", staging.path().c_str()) ||
      !note.Write(p, staging.path())) {
    run.Show("Could not complete download", kError);
    return;
  }
  std::string_view list = !e.files.empty() ? e.files : e.archive;
  const PublishedRelease release{e.name, e.version, e.date, e.files.empty()};
  const UpdateKey key = e.key.empty() ? UpdateKey() : ParseUpdateKey(e.key);
  if (!PlanReleaseFiles(run, list, folder.view(), e.sha256, p.files) ||
      !IsReleaseSigned(run, key, e.signature, release, p.files, {})) {
    return;
  }
  for (int i = 0; i < p.files.count; ++i) {
    if (!DownloadReleaseFile(run, p.coreWindow, p.files.files[i])) return;
  }
  if (run.Stopped() || !PutInPlace(run, p, folder) || run.Stopped()) return;
  if (!staging.MoveTo(p.target)) {
    Say(run, kFolderTaken, e.folder, e.name, kError);
    return;
  }
  bool started = false;
  const bool ran = run.OnWindowThread([&](Manager &m) {
    started = AddInstalled(m, p);
    if (started) m.journal.ClearInstall();  // it stays, even should the shell end in its box
  });
  if (ran && started) {
    Say(run, kInstalled, e.name, e.version, kInfo);
    return;
  }
  kernel.RemoveTree(p.target.c_str());  // nothing of a plug-in that did not start stays
  if (ran) Say(run, kNotInstalled, e.name, {}, kError);
}

}  // namespace

void PluginInstallWorker(WorkerRun &run) {
  auto plan = std::unique_ptr<InstallPlan>(new (std::nothrow) InstallPlan);
  if (plan) Install(run, *plan);
  plan.reset();  // its temporary files are gone before the index is given back
  GiveBack(run, [](Manager &manager) { manager.busyIndex = -1; });
}

}  // namespace kestrane
