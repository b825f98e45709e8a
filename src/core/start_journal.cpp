#include "core/start_journal.h"

#include "core/text_file.h"

namespace kestrane {

namespace {

constexpr std::string_view kSessionMark = "Kestrane session running";
constexpr std::string_view kStartingMark = "starting ";
constexpr std::string_view kLinkingMark = "linking ";
constexpr std::string_view kHeldMark = "held ";
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
    }
  });
  return last;
}

LastSession StartJournal::Begin(const char *path) {
  End();
  heldCount_ = 0;
  LastSession last = ReadHolding(path, this);
  if (last.whileLinking) Hold(last.starting.view());
  path_ = path;
  Rewrite(true);
  if (!file_) path_.Clear();
  return last;
}

void StartJournal::NoteLinking(const Path &library) { WriteNote(kLinkingMark, library.view()); }

void StartJournal::NoteStarting(const Path &library) { WriteNote(kStartingMark, library.view()); }

void StartJournal::Clear() { WriteNote(kStartingMark, {}); }

void StartJournal::End() {
  if (!file_) return;
  if (heldCount_ > 0) Rewrite(false);  // no session mark: the next start asks nothing
  file_.reset();
  if (heldCount_ == 0) std::remove(path_.c_str());
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

void StartJournal::Rewrite(bool running) {
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) return;
  if (running) WriteNote(kStartingMark, {});
  std::FILE *file = file_.get();
  std::fseek(file, 0, SEEK_END);
  for (int i = 0; i < heldCount_; ++i) {
    std::fwrite(kHeldMark.data(), 1, kHeldMark.size(), file);
    std::fwrite(held_[i].c_str(), 1, held_[i].size(), file);
    std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), file);
  }
  std::fflush(file);
}

}  // namespace kestrane
