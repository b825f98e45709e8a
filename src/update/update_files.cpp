#include "update/update_files.h"

#include "core/path_text.h"
#include "platform/kernel.h"
#include "update/download.h"
#include "update/file_name.h"
#include "update/url_text.h"

namespace kestrane {

namespace {

// Elements separated by runs of blanks; the empty ones between them are no element.
template <typename Each>
bool ForEachElement(std::string_view list, Each &&each) {
  while (!list.empty()) {
    std::size_t blank = list.find(' ');
    std::string_view element = list.substr(0, blank);
    if (!element.empty() && !each(element)) return false;
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && EqualNoCase(text.substr(text.size() - end.size()), end);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A name of ours: one of its files would be staged over another one's target.
bool IsStagingName(std::string_view name) {
  return EndsWithNoCase(name, kIncomingSuffix) || EndsWithNoCase(name, kPreviousSuffix) ||
         EndsWithNoCase(name, kPartialSuffix);
}

bool PlanFile(Kernel &kernel, std::string_view element, std::string_view folder, UpdatePlan &plan) {
  if (plan.count == kMaxUpdateFiles) return false;
  UpdateFile &file = plan.files[plan.count];
  file.hasDigest = false;
  element = TrimBlanks(element);
  if (!file.url.Assign(element)) return false;
  file.name = UrlFileName(file.url.view());
  if (!IsPlainFileName(file.name.view()) || IsStagingName(file.name.view())) return false;
  for (int i = 0; i < plan.count; ++i) {
    if (EqualNoCase(plan.files[i].name.view(), file.name.view())) return false;
  }
  // Every name the file will go by must fit: the target, its new and partial files, the old.
  BoundedText<kPathCapacity + 32> longest;
  longest.Format("%.*s%s%s%s", static_cast<int>(folder.size()), folder.data(), file.name.c_str(),
                 kIncomingSuffix, kPartialSuffix);
  if (longest.size() > Path::kMaxLength || !file.target.Assign(folder) ||
      !file.target.Append(file.name.view()) ||
      !file.incoming.Name(kernel, file.target.view(), kIncomingSuffix)) {
    return false;
  }
  ++plan.count;
  return true;
}

// Puts the old file back over the new one, or removes a new file that had no old one.
void PutBack(Kernel &kernel, UpdateFile &file) {
  bool replaced = file.replaced;
  file.replaced = false;
  if (file.previous.named()) {
    // Should even that fail, the old file is all the user has left: kept, never removed.
    if (!file.previous.MoveOver(kernel, file.target.c_str())) file.previous.Release();
  } else if (replaced) {
    kernel.RemoveFile(file.target.c_str());
  }
}

}  // namespace

PlanResult PlanUpdateFiles(Kernel &kernel, std::string_view list, std::string_view folder,
                           std::string_view sha256, UpdatePlan &plan) {
  plan.count = 0;
  if (!ForEachElement(list,
                      [&](std::string_view e) { return PlanFile(kernel, e, folder, plan); })) {
    return {PlanProblem::kUnsafeName, plan.count};
  }
  if (plan.count == 0) return {PlanProblem::kNoFiles, 0};
  if (sha256.empty()) return {};
  int digests = 0;
  bool wellFormed = ForEachElement(sha256, [&](std::string_view hex) {
    if (digests == plan.count) return false;
    UpdateFile &file = plan.files[digests];
    if (!ParseSha256(hex, file.digest)) return false;
    file.hasDigest = true;
    ++digests;
    return true;
  });
  if (!wellFormed)
    return {PlanProblem::kBadChecksum, digests < plan.count ? digests : plan.count - 1};
  if (digests != plan.count) return {PlanProblem::kBadChecksum, digests};
  return {};
}

bool ParseSha256(std::string_view hex, Sha256 &digest) {
  if (hex.size() != 2 * kSha256Bytes) return false;
  for (std::size_t i = 0; i < kSha256Bytes; ++i) {
    int high = HexValue(hex[2 * i]);
    int low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    digest.bytes[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return true;
}

bool MatchesSha256(const char *path, const Sha256 &expected) {
  Sha256 actual;
  if (!Sha256OfFile(path, actual)) return false;
  for (std::size_t i = 0; i < kSha256Bytes; ++i) {
    if (actual.bytes[i] != expected.bytes[i]) return false;
  }
  return true;
}

namespace {

// Removes a file, read-only or not.
void RemoveAnyFile(Kernel &kernel, const char *path) {
  if (!kernel.RemoveFile(path) && kernel.KindOf(path) == PathKind::kReadOnlyFile &&
      kernel.MakeWritable(path)) {
    kernel.RemoveFile(path);
  }
}

}  // namespace

bool NameAsides(Kernel &kernel, UpdatePlan &plan) {
  for (int i = 0; i < plan.count; ++i) {
    UpdateFile &file = plan.files[i];
    // Whatever the target is, even a file no one may read, it is moved aside to come back
    // should the update be undone; a folder or a name the system cannot look at is left alone.
    switch (kernel.KindOf(file.target.c_str())) {
      case PathKind::kNothing: break;
      case PathKind::kFile:
      case PathKind::kReadOnlyFile:
        if (!file.previous.NameFree(kernel, file.target.view(), kPreviousSuffix)) return false;
        break;
      case PathKind::kFolder:
      case PathKind::kUnknown: return false;
    }
  }
  return true;
}

void NoteOf(const UpdatePlan &plan, NotedReplacement &note) {
  note.count = plan.count;
  for (int i = 0; i < plan.count; ++i) {
    note.targets[i] = plan.files[i].target;
    note.asides[i] = plan.files[i].previous.c_str();
  }
}

bool ReplaceFiles(Kernel &kernel, UpdatePlan &plan) {
  for (int i = 0; i < plan.count; ++i) {
    UpdateFile &file = plan.files[i];
    bool moved =
        !file.previous.named() || kernel.MoveFileOver(file.target.c_str(), file.previous.c_str());
    if (!moved) file.previous.Release();  // the target is still where it was
    if (moved && file.incoming.MoveOver(kernel, file.target.c_str())) {
      file.replaced = true;
      continue;
    }
    for (int j = i; j >= 0; --j) PutBack(kernel, plan.files[j]);
    return false;
  }
  return true;
}

void DiscardPreviousFiles(UpdatePlan &plan) {
  for (int i = 0; i < plan.count; ++i) plan.files[i].previous.Remove();
}

void KeepPreviousFiles(UpdatePlan &plan) {
  for (int i = 0; i < plan.count; ++i) plan.files[i].previous.Release();
}

void RestorePreviousFiles(Kernel &kernel, UpdatePlan &plan) {
  for (int i = plan.count - 1; i >= 0; --i) PutBack(kernel, plan.files[i]);
}

void UndoNotedReplacement(Kernel &kernel, const NotedReplacement &note) {
  for (int i = note.count - 1; i >= 0; --i) {
    const Path &target = note.targets[i];
    const Path &aside = note.asides[i];
    if (!aside.empty()) {
      // Not there: the update had not moved this target yet.
      if (kernel.KindOf(aside.c_str()) != PathKind::kNothing) {
        kernel.MoveFileOver(aside.c_str(), target.c_str());
      }
    } else if (kernel.KindOf(target.c_str()) != PathKind::kNothing) {
      RemoveAnyFile(kernel, target.c_str());  // the update added it
    }
    Path incoming;
    if (incoming.Format("%s%s", target.c_str(), kIncomingSuffix)) {
      RemoveAnyFile(kernel, incoming.c_str());
    }
  }
}

}  // namespace kestrane
