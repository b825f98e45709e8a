// The files of one plug-in update as a transaction: each downloaded beside its target under a
// temporary name, then all moved into place together, or none.
#pragma once

#include <string_view>

#include "core/bounded_text.h"
#include "core/start_journal.h"
#include "update/sha256.h"
#include "update/staged_file.h"

namespace kestrane {

class Kernel;

constexpr int kMaxUpdateFiles = kMaxNotedFiles;  // the journal notes every one
constexpr const char *kIncomingSuffix = ".kestrane-new";
constexpr const char *kPreviousSuffix = ".kestrane-old";

struct UpdateFile {
  Path url;  // one element of the list, trimmed
  // The name it is stored under: the last segment of its URL, percent-escapes decoded, in UTF-8
  // where the file functions take UTF-8, as it stands where they do not.
  Path name;
  Path shown;   // the name in the system's code page, for the user
  Path key;     // the name as the file system compares names (AppendNameKey)
  Path target;  // the plug-in's folder and the name
  TextCoding coding = TextCoding::kSystem;  // of the target and its staged files
  FilePath Target() const { return {target.c_str(), coding}; }
  StagedFile incoming;
  StagedFile previous;  // the target moved aside while the new file takes its place
  bool hasDigest = false;
  Sha256 digest;
  bool replaced = false;
};

struct UpdatePlan {
  UpdateFile files[kMaxUpdateFiles];
  int count = 0;
};

enum class PlanProblem {
  kNone,
  kNoFiles,      // the list holds no element
  kUnsafeName,   // a name that could leave the folder, a duplicate, too many, too long
  kBadChecksum,  // the published digests do not fit the files; `file` names the first
};

struct PlanResult {
  PlanProblem problem = PlanProblem::kNone;
  int file = 0;
};

// Splits the list at blanks into URLs and plans each one's target in `folder` (which ends in a
// separator). `sha256` is the published digest list, or nothing when none is published.
// Touches no file; `kernel` removes the temporary files later. A name that holds characters
// beyond ASCII goes to a target in UTF-8, so that the system's code page need not hold them.
PlanResult PlanUpdateFiles(Kernel &kernel, std::string_view list, std::string_view folder,
                           std::string_view sha256, UpdatePlan &plan);

// 64 hexadecimal digits, either case.
bool ParseSha256(std::string_view hex, Sha256 &digest);

// False also when the file cannot be read.
bool MatchesSha256(Kernel &kernel, FilePath path, const Sha256 &expected);

// The key (AppendNameKey) of a name in the system's code page, comparable with the plan's keys;
// false when it cannot be made.
bool FileNameKeyOf(Kernel &kernel, std::string_view name, Path &key);

// Names, beside every target that is a file, a free name to move it aside to: an existing file
// is never overwritten. False when a target is a folder or cannot be looked at, or no free name
// was found.
bool NameAsides(Kernel &kernel, UpdatePlan &plan);
// What the journal notes of the plan before anything moves.
void NoteOf(const UpdatePlan &plan, NotedReplacement &note);
// Moves every target aside (as named) and its new file into place. When one cannot be moved,
// every file already replaced is put back and the answer is false.
bool ReplaceFiles(Kernel &kernel, UpdatePlan &plan);
// After a replacement: the old files are no longer needed.
void DiscardPreviousFiles(UpdatePlan &plan);
// The old files stay where they are, for the next start to put back.
void KeepPreviousFiles(UpdatePlan &plan);
// Undoes a replacement: every old file back over its new one, last first; a new file that had
// no old one is removed.
void RestorePreviousFiles(Kernel &kernel, UpdatePlan &plan);
// The same at a start after an update that never finished, from the journal's note: what the
// update had not reached yet is as it was, and what it left staged goes.
void UndoNotedReplacement(Kernel &kernel, const NotedReplacement &note);

}  // namespace kestrane
