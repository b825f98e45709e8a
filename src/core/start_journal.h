// The start journal: a small file beside the list file that tells the next start how this
// session ended. It marks the session as running from start-up to shut-down and notes a
// plug-in while its library is linked or its begin function runs, so that a plug-in that ends
// the whole process there is known afterwards. One file, kept open and rewritten in place, and
// removed when the session ends normally. A journal that cannot be written changes nothing
// else: every operation then does nothing.
#pragma once

#include <cstdio>
#include <memory>

#include "core/bounded_text.h"

namespace kestrane {

using JournalPath = BoundedText<kPathCapacity + 16>;

// The list file's name with ".journal" added; empty when that would not fit.
JournalPath JournalPathFor(const Path &listFile);

struct LastSession {
  bool endedNormally = true;  // no journal was left behind
  Path starting;              // the library the shell ended in while it was starting it
};

class StartJournal {
 public:
  // What the journal at `path` says of the session that left it.
  static LastSession Read(const char *path);

  // Starts this session's journal at `path`, marking the session as running.
  void Begin(const char *path);
  // `library` is being linked or started; Clear when the call has returned.
  void Note(const Path &library);
  void Clear();
  // The session ends normally: the journal goes.
  void End();

 private:
  struct Closer {
    void operator()(std::FILE *file) const { std::fclose(file); }
  };
  void Write(std::string_view library);

  std::unique_ptr<std::FILE, Closer> file_;
  JournalPath path_;
};

}  // namespace kestrane
