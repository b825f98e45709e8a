// The start journal: a small file beside the list file that tells the next start how this
// session ended. It marks the session as running from start-up to shut-down and notes a
// plug-in while its library is linked or its begin function runs, so that a plug-in that ends
// the whole process there is known afterwards. One file, kept open and rewritten in place, and
// removed when the session ends normally. A journal that cannot be written changes nothing
// else: every operation then does nothing.
//
// A library the shell ended in while linking it would end the shell again at the next start,
// which links every listed library, switched off or not. Such a library is held: the journal
// keeps it, across sessions, until the user links it again or removes it, and only then is the
// file removed at a normal end.
//
// An update notes its files before the first of them moves, and clears the note once the new
// version has started. A note the next start finds means the update never finished (the process
// ended, or the shell did, in between): that start puts the previous files back. An install
// notes its staging folder and library from the moment it has a staging folder until the new
// plug-in has started or is gone again; a note left behind has the next start take it away.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "core/bounded_text.h"
#include "core/plugin_entry.h"
#include "core/text_coding.h"

namespace kestrane {

class Kernel;

using JournalPath = BoundedText<kPathCapacity + 16>;

// The list file's name with ".journal" added; empty when that would not fit.
JournalPath JournalPathFor(const Path &listFile);

constexpr int kMaxNotedFiles = 32;

// The files an update replaces: each target and the name its previous file was moved aside to,
// empty when it had none (the update adds it), both in the target's coding.
struct NotedReplacement {
  Path plugin;  // the plug-in's library
  Path name;    // the plug-in's name, for the user
  int count = 0;
  Path targets[kMaxNotedFiles];
  Path asides[kMaxNotedFiles];
  TextCoding codings[kMaxNotedFiles] = {};
};

// A plug-in being installed: the folder its files arrive in, and its library (absolute,
// lower-cased) in the folder the staging folder becomes.
// Added to the folder's name for its staging folder (and a number, when that is taken).
constexpr const char *kInstallStagingSuffix = ".kestrane-new";

struct NotedInstall {
  Path staging;
  Path library;  // empty: no install was under way
  Path name;     // the plug-in's name, for the user
};

struct LastSession {
  bool endedNormally = true;  // no session mark was left behind
  Path starting;              // the library the shell ended in while it was starting it
  bool whileLinking = false;  // ... while its library was being loaded
  NotedReplacement update;    // count 0: no update was under way
  NotedInstall install;
};

class StartJournal {
 public:
  // What the journal at `path` says of the session that left it.
  static LastSession Read(const char *path);

  // Starts this session's journal at `path`, marking the session as running, and returns what
  // the last session left there. Its held libraries stay held, and so does the one it ended in
  // while linking it. A journal that cannot be written anew (read-only once `kernel` has
  // cleared the attribute, or locked) is not acted on: the answer is then as after a normal end.
  LastSession Begin(const char *path, Kernel &kernel);
  // `library` is being linked or started; Clear when the call has returned.
  void NoteLinking(const Path &library);
  void NoteStarting(const Path &library);
  void Clear();
  // An update is about to move its files; false when the note could not be written (without a
  // journal there is nothing to write, and the answer is true).
  bool NoteReplacement(const NotedReplacement &update);
  void ClearReplacement();
  // The same for an install, before its staging folder fills.
  bool NoteInstall(const NotedInstall &install);
  void ClearInstall();
  // The session ends normally: the journal goes, unless it holds libraries or a note.
  void End();

  bool IsHeld(std::string_view library) const;
  // The user asked for the library (or took it away): no start holds it back any more.
  void Release(std::string_view library);
  int HeldCount() const { return heldCount_; }
  const Path &Held(int index) const { return held_[index]; }

 private:
  struct Closer {
    void operator()(std::FILE *file) const { std::fclose(file); }
  };
  // Read, with each library the journal holds given to `holder` when there is one.
  static LastSession ReadHolding(const char *path, StartJournal *holder);
  void Hold(std::string_view library);
  void WriteNote(std::string_view mark, std::string_view library);
  // The whole file anew: the session record (when a session runs), the held libraries and the
  // update and install notes; false when it could not all be written.
  bool Rewrite(bool running);

  std::unique_ptr<std::FILE, Closer> file_;
  JournalPath path_;
  Path held_[kMaxPlugins];
  int heldCount_ = 0;
  NotedReplacement update_;
  NotedInstall install_;
};

}  // namespace kestrane
