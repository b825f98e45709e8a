// The plug-in catalogue a publisher signs: one text file in the metadata file's "KEY: value"
// format. "catalogue.plugins:" names its entries; "ID.name:", "ID.version:" ... describe each.
// Only a copy whose signature verified with the publisher's key is kept, as catalogue.txt
// beside metadata.txt; the "Install Plugin" menu and the install read that copy.
#pragma once

#include <string_view>

#include "update/update_metadata.h"

#include "core/bounded_text.h"
#include "core/heap_text.h"
#include "platform/kernel.h"

namespace kestrane {

constexpr const char *kCatalogueFileName = "catalogue.txt";
constexpr const char *kCatalogueSignatureSuffix = ".sig";
constexpr int kMaxCatalogueEntries = 100;

// One entry's values, views into the catalogue's text; empty where the key is missing.
struct CatalogueEntry {
  std::string_view id;
  std::string_view name;
  std::string_view version;
  std::string_view date;
  std::string_view author;
  std::string_view information;
  std::string_view folder;   // a plain folder name under "plugins\"
  std::string_view library;  // the plug-in's library inside that folder
  std::string_view files;    // URLs, or
  std::string_view archive;  // one zip URL whose entries are the folder's contents
  std::string_view sha256;   // one digest per file, or the archive's
  std::string_view key;      // the author's update key, when the plug-in carries one
  std::string_view signature;
};

struct Catalogue {
  HeapText text;
  CatalogueEntry entries[kMaxCatalogueEntries];
  int count = 0;  // the ids "catalogue.plugins:" names, in order, each once
};

// `hostFolder` followed by "catalogue.txt"; empty when that does not fit a path.
Path CatalogueFilePath(const Path &hostFolder);
// Where an entry's plug-in goes: "plugins\FOLDER" in the shell's folder, empty when that does
// not fit a path.
Path InstalledFolder(const Path &hostFolder, std::string_view folder);

// Reads the file and takes its entries apart; false when it cannot be read whole.
bool ReadCatalogue(const char *path, Catalogue &catalogue);
// The same for a text already in catalogue.text.
void ParseCatalogue(Catalogue &catalogue);

// Every value an install needs is there, within its bounds and well formed: folder, library and
// each URL's file name plain names, one digest per file, a usable key with a signature when a
// key is given. Anything else is left out, never half shown.
bool IsCompleteEntry(const CatalogueEntry &entry);

const CatalogueEntry *FindCatalogueEntry(const Catalogue &catalogue, std::string_view id);

// `signature` (base64, blanks around it allowed) is the publisher's, made with `key` (base64)
// of the catalogue's exact bytes.
bool IsSignedCatalogue(std::string_view text, std::string_view signature, std::string_view key);

constexpr std::size_t kMaxCatalogueId = 100;  // a longer one would not fit its command

// What "Install Plugin" can offer: the complete entries of catalogue.txt, each with the folder
// it would go to. Read and checked anew only when the file has changed since the last menu.
struct CatalogueOffer {
  BoundedText<kMaxCatalogueId + 1> id;
  BoundedText<2 * ShortText::kCapacity> title;  // "NAME VERSION"
  Path folder;
};

struct CatalogueOffers {
  bool read = false;
  FileStamp stamp;
  int count = 0;
  CatalogueOffer offers[kMaxCatalogueEntries];
};

// Brings `offers` up to date with catalogue.txt in the shell's folder; none without one.
void RefreshCatalogueOffers(Kernel &kernel, const Path &hostFolder, CatalogueOffers &offers);

}  // namespace kestrane
