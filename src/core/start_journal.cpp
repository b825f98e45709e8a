#include "core/start_journal.h"

#include "core/text_file.h"
#include "platform/kernel.h"

namespace kestrane {

namespace {

constexpr std::string_view kSessionMark = "Kestrane session running";
constexpr std::string_view kStartingMark = "starting ";
constexpr std::string_view kLinkingMark = "linking ";
constexpr std::string_view kHeldMark = "held ";
constexpr std::string_view kUpdateMark = "update ";      // the plug-in's library|its name
constexpr std::string_view kReplacedMark = "replaced ";  // a target|its previous file, if any
constexpr std::string_view kReplacedUtf8Mark = "replaced-utf8 ";  // the same, in UTF-8
constexpr std::string_view kInstallMark = "install ";             // the library|its name
constexpr std::string_view kStagedMark = "staged ";               // the install's staging folder
constexpr char kSeparator = '|';                                  // in no Windows path
constexpr std::string_view kLineEnd = "\r\n";
// Every record is as long as the longest, so a rewrite covers the one before it whole.
using Record =
    BoundedText<kSessionMark.size() + kLineEnd.size() + kStartingMark.size() + kPathCapacity + 4>;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  return text.substr(0, text.find_last_not_of(' ') + 1);  // npos + 1: nothing
}

// Each line of the journal, without its line end.
template <typename Visit>
void ForEachJournalLine(std::string_view content, Visit visit) {
  while (!content.empty()) {
    std::size_t end = content.find(kLineEnd);
    visit(content.substr(0, end));
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + kLineEnd.size());
  }
}

// "first|second", each cut to a path.
void SplitPair(std::string_view text, Path &first, Path &second) {
  const std::size_t bar = text.find(kSeparator);
  first = text.substr(0, bar);
  second = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
}

bool Write(std::FILE *file, std::string_view text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool WriteLine(std::FILE *file, std::string_view mark, const Path &value) {
  return Write(file, mark) && Write(file, value.view()) && Write(file, kLineEnd);
}

bool WritePair(std::FILE *file, std::string_view mark, const Path &first, const Path &second) {
  return Write(file, mark) && Write(file, first.view()) && std::fputc(kSeparator, file) != EOF &&
         Write(file, second.view()) && Write(file, kLineEnd);
}

}  // namespace

JournalPath JournalPathFor(const Path &listFile) {
  JournalPath path;
  if (listFile.empty() || !path.Format("%s.journal", listFile.c_str())) path.Clear();
  return path;
}

LastSession StartJournal::Read(const char *path) { return ReadHolding(path, nullptr); }

LastSession StartJournal::ReadHolding(const char *path, StartJournal *holder) {
  LastSession last;
  HeapText content;
  if (!ReadWholeFile(path, content)) return last;
  ForEachJournalLine(content.view(), [&](std::string_view line) {
    if (line == kSessionMark) {
      last.endedNormally = false;
    } else if (StartsWith(line, kStartingMark)) {
      last.starting = TrimTrailingBlanks(line.substr(kStartingMark.size()));
    } else if (StartsWith(line, kLinkingMark)) {
      last.starting = TrimTrailingBlanks(line.substr(kLinkingMark.size()));
      last.whileLinking = !last.starting.empty();
    } else if (StartsWith(line, kHeldMark) && holder != nullptr) {
      holder->Hold(line.substr(kHeldMark.size()));
    } else if (StartsWith(line, kInstallMark)) {
      SplitPair(line.substr(kInstallMark.size()), last.install.library, last.install.name);
    } else if (StartsWith(line, kStagedMark)) {
      last.install.staging = line.substr(kStagedMark.size());
    } else if (StartsWith(line, kUpdateMark)) {
      SplitPair(line.substr(kUpdateMark.size()), last.update.plugin, last.update.name);
    } else if (last.update.count < kMaxNotedFiles) {
      NotedReplacement &u = last.update;
      const bool utf8 = StartsWith(line, kReplacedUtf8Mark);
      if (!utf8 && !StartsWith(line, kReplacedMark)) return;
      const std::size_t mark = utf8 ? kReplacedUtf8Mark.size() : kReplacedMark.size();
      SplitPair(line.substr(mark), u.targets[u.count], u.asides[u.count]);
      u.codings[u.count] = utf8 ? TextCoding::kUtf8 : TextCoding::kSystem;
      ++u.count;
    }
  });
  return last;
}

LastSession StartJournal::Begin(const char *path, Kernel &kernel) {
  End();
  heldCount_ = 0;
  update_.count = 0;
  install_ = NotedInstall();
  LastSession last = ReadHolding(path, this);
  if (last.whileLinking) Hold(last.starting.view());
  path_ = path;
  // A read-only journal would be acted on at every start, never cleared.
  if (!Rewrite(true) && kernel.MakeWritable(path)) Rewrite(true);
  if (file_) return last;
  path_.Clear();
  heldCount_ = 0;
  return LastSession();
}

void StartJournal::NoteLinking(const Path &library) { WriteNote(kLinkingMark, library.view()); }

void StartJournal::NoteStarting(const Path &library) { WriteNote(kStartingMark, library.view()); }

void StartJournal::Clear() { WriteNote(kStartingMark, {}); }

bool StartJournal::NoteReplacement(const NotedReplacement &update) {
  if (!file_) return true;  // no journal: nothing to note, as for every other note
  update_ = update;
  if (Rewrite(true)) return true;
  update_.count = 0;
  return false;
}

void StartJournal::ClearReplacement() {
  if (update_.count == 0) return;
  update_.count = 0;
  if (file_) Rewrite(true);
}

bool StartJournal::NoteInstall(const NotedInstall &install) {
  if (!file_) return true;
  install_ = install;
  if (Rewrite(true)) return true;
  install_ = NotedInstall();
  return false;
}

void StartJournal::ClearInstall() {
  if (install_.library.empty()) return;
  install_ = NotedInstall();
  if (file_) Rewrite(true);
}

void StartJournal::End() {
  if (!file_) return;
  const bool keep = heldCount_ > 0 || update_.count > 0 || !install_.library.empty();
  if (keep) Rewrite(false);  // no session mark: the next start asks nothing
  file_.reset();
  if (!keep) std::remove(path_.c_str());
  path_.Clear();
}

bool StartJournal::IsHeld(std::string_view library) const {
  for (int i = 0; i < heldCount_; ++i) {
    if (held_[i].view() == library) return true;
  }
  return false;
}

void StartJournal::Release(std::string_view library) {
  int kept = 0;
  for (int i = 0; i < heldCount_; ++i) {
    if (held_[i].view() != library) held_[kept++] = held_[i];
  }
  if (kept == heldCount_) return;
  heldCount_ = kept;
  if (file_) Rewrite(true);
}

void StartJournal::Hold(std::string_view library) {
  if (library.empty() || IsHeld(library) || heldCount_ >= kMaxPlugins) return;
  held_[heldCount_++] = Path(library);
}

void StartJournal::WriteNote(std::string_view mark, std::string_view library) {
  if (!file_) return;
  Record record;
  record.Append(kSessionMark);
  record.Append(kLineEnd);
  record.Append(mark);
  record.Append(library);
  while (record.size() < Record::kMaxLength - kLineEnd.size()) record.Append(" ");
  record.Append(kLineEnd);
  // Flushed at once: a process that ends in the plug-in's call leaves the record on disk.
  std::FILE *file = file_.get();
  if (std::fseek(file, 0, SEEK_SET) == 0) {
    std::fwrite(record.c_str(), 1, record.size(), file);
    std::fflush(file);
  }
}

bool StartJournal::Rewrite(bool running) {
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) return false;
  if (running) WriteNote(kStartingMark, {});
  std::FILE *file = file_.get();
  std::fseek(file, 0, SEEK_END);
  bool whole = true;
  for (int i = 0; i < heldCount_; ++i) whole = WriteLine(file, kHeldMark, held_[i]) && whole;
  if (!install_.library.empty()) {
    whole = WritePair(file, kInstallMark, install_.library, install_.name) &&
            WriteLine(file, kStagedMark, install_.staging) && whole;
  }
  if (update_.count > 0 && whole) {
    whole = WritePair(file, kUpdateMark, update_.plugin, update_.name);
    for (int i = 0; i < update_.count && whole; ++i) {
      const bool utf8 = update_.codings[i] == TextCoding::kUtf8;
      whole = WritePair(file, utf8 ? kReplacedUtf8Mark : kReplacedMark, update_.targets[i],
                        update_.asides[i]);
    }
  }
  return std::fflush(file) == 0 && std::ferror(file) == 0 && whole;
}

}  // namespace kestrane
