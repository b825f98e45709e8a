#include "core/start_journal.h"

#include <string>

#include "core/text_file.h"

namespace kestrane {

namespace {

constexpr std::string_view kSessionMark = "Kestrane session running\r\n";
constexpr std::string_view kStartingMark = "starting ";
constexpr std::string_view kLineEnd = "\r\n";
// Every record is as long as the longest, so a rewrite covers the one before it whole.
using Record = BoundedText<kSessionMark.size() + kStartingMark.size() + kPathCapacity + 4>;

}  // namespace

JournalPath JournalPathFor(const Path &listFile) {
  JournalPath path;
  if (listFile.empty() || !path.Format("%s.journal", listFile.c_str())) path.Clear();
  return path;
}

LastSession StartJournal::Read(const char *path) {
  LastSession last;
  std::string content;
  if (!ReadWholeFile(path, content)) return last;
  last.endedNormally = false;
  std::size_t at = content.find(kStartingMark);
  if (at != std::string::npos) {
    std::string_view rest = std::string_view(content).substr(at + kStartingMark.size());
    rest = rest.substr(0, rest.find(kLineEnd));
    last.starting = rest.substr(0, rest.find_last_not_of(' ') + 1);  // npos + 1: nothing
  }
  return last;
}

void StartJournal::Begin(const char *path) {
  End();
  file_.reset(std::fopen(path, "wb"));
  if (!file_) return;
  path_ = path;
  Write({});
}

void StartJournal::Note(const Path &library) { Write(library.view()); }

void StartJournal::Clear() { Write({}); }

void StartJournal::End() {
  if (!file_) return;
  file_.reset();
  std::remove(path_.c_str());
  path_.Clear();
}

void StartJournal::Write(std::string_view library) {
  if (!file_) return;
  Record record;
  record.Append(kSessionMark);
  record.Append(kStartingMark);
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

}  // namespace kestrane
