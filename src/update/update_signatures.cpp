#include "update/update_signatures.h"

#include <sodium/crypto_sign_ed25519.h>

#include <cstdio>
#include <memory>
#include <new>

#include "update/base64_text.h"
#include "update/update_files.h"
#include "update/update_key.h"

namespace kestrane {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};

// The next element of a blank-separated list, or an empty view at its end.
std::string_view NextElement(std::string_view &list) {
  std::size_t start = list.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    list = {};
    return {};
  }
  list.remove_prefix(start);
  std::size_t blank = list.find(' ');
  std::string_view element = list.substr(0, blank);
  list.remove_prefix(element.size());
  return element;
}

int CountElements(std::string_view list) {
  int count = 0;
  while (!NextElement(list).empty()) ++count;
  return count;
}

enum class FileCheck { kSigned, kNotSigned, kUnreadable };

// Ed25519 signs the message whole: the file is read into memory to be checked.
FileCheck CheckFile(const char *path, const Signature &signature, const UpdateKey &key) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return FileCheck::kUnreadable;
  long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return FileCheck::kUnreadable;
  std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size > 0 ? size : 1]);
  if (!bytes || std::fread(bytes.get(), 1, size, file.get()) != static_cast<std::size_t>(size)) {
    return FileCheck::kUnreadable;
  }
  return crypto_sign_ed25519_verify_detached(signature.bytes, bytes.get(), size, key.bytes) == 0
             ? FileCheck::kSigned
             : FileCheck::kNotSigned;
}

}  // namespace

bool DecodeSignature(std::string_view base64, Signature &signature) {
  return DecodeBase64(base64, signature.bytes, sizeof signature.bytes);
}

SignatureCheck CheckUpdateSignatures(const UpdateKey &key, std::string_view published,
                                     const UpdatePlan &plan) {
  if (key.kind == UpdateKey::Kind::kNone) return {};
  constexpr SignatureCheck kFirstNotSigned{SignatureVerdict::kNotSigned, 0};
  if (key.kind != UpdateKey::Kind::kKey || CountElements(published) != plan.count) {
    return kFirstNotSigned;
  }
  for (int i = 0; i < plan.count; ++i) {
    Signature signature;
    if (!DecodeSignature(NextElement(published), signature)) {
      return {SignatureVerdict::kNotSigned, i};
    }
    switch (CheckFile(plan.files[i].incoming.c_str(), signature, key)) {
      case FileCheck::kSigned: break;
      case FileCheck::kNotSigned: return {SignatureVerdict::kNotSigned, i};
      case FileCheck::kUnreadable: return {SignatureVerdict::kUnreadable, i};
    }
  }
  return {};
}

}  // namespace kestrane
