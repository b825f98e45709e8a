#include "update/catalogue.h"

#include <memory>
#include <new>

#include "core/path_text.h"
#include "core/text_file.h"
#include "update/file_name.h"
#include "update/update_files.h"
#include "update/update_key.h"
#include "update/update_metadata.h"
#include "update/update_signatures.h"
#include "update/url_text.h"

namespace kestrane {

namespace {

constexpr std::string_view kEntriesKey = "catalogue.plugins";
using Member = std::string_view CatalogueEntry::*;

struct Field {
  std::string_view name;
  Member member;
};

constexpr Field kFields[] = {
    {"name", &CatalogueEntry::name},
    {"version", &CatalogueEntry::version},
    {"date", &CatalogueEntry::date},
    {"author", &CatalogueEntry::author},
    {"information", &CatalogueEntry::information},
    {"folder", &CatalogueEntry::folder},
    {"library", &CatalogueEntry::library},
    {"files", &CatalogueEntry::files},
    {"archive", &CatalogueEntry::archive},
    {"sha256", &CatalogueEntry::sha256},
    {"key", &CatalogueEntry::key},
    {"signature", &CatalogueEntry::signature},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Blanks and tabs only: the shell finds no key after any other character.
std::string_view TrimKey(std::string_view key) {
  std::size_t start = key.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  return key.substr(start, key.find_last_not_of(" \t") - start + 1);
}

// Each "KEY: value" line as the shell reads one: blanks around the key and the value go. The
// value comes untrimmed (Trim it where it is taken); visit(key, value) answers whether to go on.
template <typename Visit>
void ForEachSetting(std::string_view text, Visit visit) {
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        !visit(TrimKey(line.substr(0, colon)), line.substr(colon + 1))) {
      return;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// The next blank-separated element of `list`, or an empty view at its end.
std::string_view NextElement(std::string_view &list) {
  list = Trim(list);
  std::size_t blank = 0;
  while (blank < list.size() && !IsBlank(list[blank])) ++blank;
  std::string_view element = list.substr(0, blank);
  list.remove_prefix(blank);
  return element;
}

// An entry's lines mostly follow each other: the last one found is looked at first.
CatalogueEntry *EntryOf(Catalogue &c, std::string_view id, CatalogueEntry *&last) {
  if (last == nullptr || !EqualNoCase(last->id, id)) {
    last = const_cast<CatalogueEntry *>(FindCatalogueEntry(c, id));
  }
  return last;
}

bool Within(std::string_view value, std::size_t most) {
  return !value.empty() && value.size() <= most;
}

// Each URL of the list gives a plain file name, no two the same, and one well-formed digest
// stands for each; looked at without planning the files, as the menu does for every entry. The
// install plans them for real.
bool ListFits(std::string_view list, std::string_view sha256, bool archive) {
  int count = 0;
  for (std::string_view rest = list, url = NextElement(rest); !url.empty();
       url = NextElement(rest)) {
    if (++count > kMaxUpdateFiles || url.size() > Path::kMaxLength) return false;
    const Path name = UrlFileName(url);
    if (!IsPlainFileName(name.view())) return false;
    std::string_view before = list;
    for (int i = 1; i < count; ++i) {
      if (EqualNoCase(UrlFileName(NextElement(before)).view(), name.view())) return false;
    }
  }
  for (int i = 0; i < count; ++i) {
    const std::string_view hex = NextElement(sha256);
    if (hex.size() != 2 * kSha256Bytes ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
      return false;
    }
  }
  return count > 0 && (!archive || count == 1) && NextElement(sha256).empty();
}

}  // namespace

Path CatalogueFilePath(const Path &hostFolder) {
  Path path;
  if (!path.Format("%s%s", hostFolder.c_str(), kCatalogueFileName)) return Path();
  return path;
}

Path InstalledFolder(const Path &hostFolder, std::string_view folder) {
  Path path = hostFolder;
  if (!path.Append("plugins\\") || !path.Append(folder)) return Path();
  return path;
}

bool ReadCatalogue(const char *path, Catalogue &catalogue) {
  catalogue.count = 0;
  if (!ReadWholeFile(path, catalogue.text)) return false;
  ParseCatalogue(catalogue);
  return true;
}

void ParseCatalogue(Catalogue &c) {
  c.count = 0;
  const std::string_view text = c.text.view();
  // The first line that names the entries counts, as the shell reads. Each id once: told
  // apart by a sum of its letters first, so that a hundred of them cost no more than a look each.
  unsigned sums[kMaxCatalogueEntries];
  ForEachSetting(text, [&](std::string_view key, std::string_view value) {
    if (!EqualNoCase(key, kEntriesKey)) return true;
    for (std::string_view id = NextElement(value); !id.empty(); id = NextElement(value)) {
      unsigned sum = static_cast<unsigned>(id.size());
      for (char letter : id) sum = sum * 31 + static_cast<unsigned char>(letter | 0x20);
      bool seen = false;
      for (int i = 0; i < c.count && !seen; ++i) {
        seen = sums[i] == sum && EqualNoCase(c.entries[i].id, id);
      }
      if (seen || c.count == kMaxCatalogueEntries) continue;
      sums[c.count] = sum;
      c.entries[c.count] = CatalogueEntry{};
      c.entries[c.count++].id = id;
    }
    return false;
  });
  CatalogueEntry *last = nullptr;
  ForEachSetting(text, [&](std::string_view key, std::string_view value) {
    std::size_t dot = key.rfind('.');
    if (dot == std::string_view::npos) return true;
    const std::string_view name = key.substr(dot + 1);
    const Field *field = nullptr;
    for (const Field &f : kFields) {
      if (f.name.size() == name.size() && EqualNoCase(name, f.name)) field = &f;
    }
    CatalogueEntry *entry = field != nullptr ? EntryOf(c, key.substr(0, dot), last) : nullptr;
    if (entry == nullptr) return true;
    std::string_view &member = entry->*field->member;
    // The first line of a key counts; a value given empty still counts as given.
    if (member.data() == nullptr) {
      value = Trim(value);
      member = value.empty() ? std::string_view(key.data() + key.size(), 0) : value;
    }
    return true;
  });
}

bool IsCompleteEntry(const CatalogueEntry &e) {
  constexpr std::size_t kShort = ShortText::kMaxLength;
  constexpr std::size_t kLong = LongText::kMaxLength - 1;  // a value filling it may be cut
  if (!Within(e.name, kShort) || !Within(e.version, kShort) || !Within(e.date, kShort) ||
      e.author.size() > kShort || e.information.size() > kLong || !IsPlainFileName(e.folder) ||
      !IsPlainFileName(e.library)) {
    return false;
  }
  std::string_view list = !e.files.empty() ? e.files : e.archive;
  if (!Within(list, kLong) || !Within(e.sha256, kLong) ||
      !ListFits(list, e.sha256, e.files.empty())) {
    return false;
  }
  if (e.key.empty()) return true;
  Signature signature;
  return ParseUpdateKey(e.key).kind == UpdateKey::Kind::kKey &&
         DecodeSignature(e.signature, signature);
}

const CatalogueEntry *FindCatalogueEntry(const Catalogue &catalogue, std::string_view id) {
  for (int i = 0; i < catalogue.count; ++i) {
    if (EqualNoCase(catalogue.entries[i].id, id)) return &catalogue.entries[i];
  }
  return nullptr;
}

bool IsSignedCatalogue(std::string_view text, std::string_view signature, std::string_view key) {
  return IsSignedWith(ParseUpdateKey(key), Trim(signature), text);
}

void RefreshCatalogueOffers(Kernel &kernel, const Path &hostFolder, CatalogueOffers &offers) {
  const Path file = CatalogueFilePath(hostFolder);
  FileStamp stamp;
  if (file.empty() || !kernel.StampOf(file.c_str(), stamp)) {
    offers.read = false;
    offers.count = 0;
    return;
  }
  if (offers.read && offers.stamp == stamp) return;
  offers.read = true;
  offers.stamp = stamp;
  offers.count = 0;
  auto catalogue = std::unique_ptr<Catalogue>(new (std::nothrow) Catalogue);
  if (!catalogue || !ReadCatalogue(file.c_str(), *catalogue)) {
    offers.read = false;  // looked at again next time
    return;
  }
  for (int i = 0; i < catalogue->count; ++i) {
    const CatalogueEntry &e = catalogue->entries[i];
    CatalogueOffer &offer = offers.offers[offers.count];
    offer.folder = InstalledFolder(hostFolder, e.folder);
    if (e.id.size() > kMaxCatalogueId || !IsCompleteEntry(e) || offer.folder.empty()) continue;
    offer.id = e.id;
    offer.title = e.name;
    offer.title.Append(" ");
    offer.title.Append(e.version);
    ++offers.count;
  }
}

}  // namespace kestrane
