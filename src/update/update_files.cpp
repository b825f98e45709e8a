#include "update/update_files.h"

#include "core/path_text.h"
#include "core/text_coding.h"
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

// What the names of one plan have in common: whether they are decoded, and the plug-in's folder
// in either coding.
struct Naming {
  bool utf8 = false;  // the file functions take UTF-8: names are decoded
  Path folder;
  Path utf8Folder;  // empty until a name needs it
};

// The name a browser stores the file at `url` under: the last segment with its percent-escapes
// decoded. An escape stands for a byte of UTF-8, any other character is the system code page's,
// as every text of the metadata is; what comes out must be well-formed UTF-8.
bool StoredName(Kernel &kernel, const Naming &naming, std::string_view url, Path &name) {
  Path segment = UrlFileName(url);
  if (!naming.utf8) {
    name = segment;
    return true;
  }
  Path utf8;
  if (IsAscii(segment.view())) {
    utf8 = segment;
  } else if (!ConvertText(kernel, segment.view(), TextCoding::kSystem, TextCoding::kUtf8, utf8)) {
    return false;
  }
  return PercentDecode(utf8.view(), name) && IsUtf8(name.view());
}

bool PlanFile(Kernel &kernel, Naming &naming, std::string_view element, UpdatePlan &plan) {
  if (plan.count == kMaxUpdateFiles) return false;
  UpdateFile &file = plan.files[plan.count];
  file.hasDigest = false;
  element = TrimBlanks(element);
  if (!file.url.Assign(element) || !StoredName(kernel, naming, file.url.view(), file.name) ||
      !IsPlainFileName(file.name.view())) {
    return false;
  }
  HeapText key;
  if (!AppendNameKey(kernel, naming.utf8, file.name.view(), key) || !file.key.Assign(key.view()) ||
      IsStagingName(file.key.view())) {
    return false;
  }
  for (int i = 0; i < plan.count; ++i) {
    if (plan.files[i].key.view() == file.key.view()) return false;
  }
  file.coding = naming.utf8 && !IsAscii(file.name.view()) ? TextCoding::kUtf8 : TextCoding::kSystem;
  file.shown = file.name;
  if (file.coding == TextCoding::kUtf8) {
    if (naming.utf8Folder.empty() && !ConvertText(kernel, naming.folder.view(), TextCoding::kSystem,
                                                  TextCoding::kUtf8, naming.utf8Folder)) {
      return false;
    }
    ConvertText(kernel, file.name.view(), TextCoding::kUtf8, TextCoding::kSystem, file.shown);
  }
  const Path &folder = file.coding == TextCoding::kUtf8 ? naming.utf8Folder : naming.folder;
  // Every name the file will go by must fit: the target, its new and partial files, the old.
  // In bytes, also in UTF-8: the start journal notes them in paths of 259 bytes.
  BoundedText<kPathCapacity + 32> longest;
  longest.Format("%s%s%s%s", folder.c_str(), file.name.c_str(), kIncomingSuffix, kPartialSuffix);
  if (longest.size() > Path::kMaxLength || !file.target.Assign(folder.view()) ||
      !file.target.Append(file.name.view()) ||
      !file.incoming.Name(kernel, file.target.view(), kIncomingSuffix, file.coding)) {
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
    if (!file.previous.MoveOver(kernel, file.Target())) file.previous.Release();
  } else if (replaced) {
    kernel.RemoveFile(file.Target());
  }
}

}  // namespace

PlanResult PlanUpdateFiles(Kernel &kernel, std::string_view list, std::string_view folder,
                           std::string_view sha256, UpdatePlan &plan) {
  plan.count = 0;
  Naming naming;
  naming.utf8 = kernel.TakesUtf8Paths();
  if (!naming.folder.Assign(folder)) return {PlanProblem::kUnsafeName, 0};
  if (!ForEachElement(list,
                      [&](std::string_view e) { return PlanFile(kernel, naming, e, plan); })) {
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

bool MatchesSha256(Kernel &kernel, FilePath path, const Sha256 &expected) {
  Sha256 actual;
  if (!Sha256OfFile(kernel, path, actual)) return false;
  for (std::size_t i = 0; i < kSha256Bytes; ++i) {
    if (actual.bytes[i] != expected.bytes[i]) return false;
  }
  return true;
}

bool FileNameKeyOf(Kernel &kernel, std::string_view name, Path &key) {
  const bool utf8 = kernel.TakesUtf8Paths();
  Path converted{name};
  HeapText made;
  if (utf8 && !IsAscii(name) &&
      !ConvertText(kernel, name, TextCoding::kSystem, TextCoding::kUtf8, converted)) {
    return false;
  }
  return AppendNameKey(kernel, utf8, converted.view(), made) && key.Assign(made.view());
}

namespace {

// Removes a file, read-only or not.
void RemoveAnyFile(Kernel &kernel, FilePath path) {
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
    switch (kernel.KindOf(file.Target())) {
      case PathKind::kNothing: break;
      case PathKind::kFile:
      case PathKind::kReadOnlyFile:
        if (!file.previous.NameFree(kernel, file.target.view(), kPreviousSuffix, file.coding)) {
          return false;
        }
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
    note.codings[i] = plan.files[i].coding;
  }
}

bool ReplaceFiles(Kernel &kernel, UpdatePlan &plan) {
  for (int i = 0; i < plan.count; ++i) {
    UpdateFile &file = plan.files[i];
    bool moved = !file.previous.named() || kernel.MoveFileOver(file.Target(), file.previous.path());
    if (!moved) file.previous.Release();  // the target is still where it was
    if (moved && file.incoming.MoveOver(kernel, file.Target())) {
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
    const FilePath target(note.targets[i].c_str(), note.codings[i]);
    const FilePath aside(note.asides[i].c_str(), note.codings[i]);
    if (!note.asides[i].empty()) {
      // Not there: the update had not moved this target yet.
      if (kernel.KindOf(aside) != PathKind::kNothing) kernel.MoveFileOver(aside, target);
    } else if (kernel.KindOf(target) != PathKind::kNothing) {
      RemoveAnyFile(kernel, target);  // the update added it
    }
    Path incoming;
    if (incoming.Format("%s%s", target.text, kIncomingSuffix)) {
      RemoveAnyFile(kernel, FilePath(incoming.c_str(), target.coding));
    }
  }
}

}  // namespace kestrane
