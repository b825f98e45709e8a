#include "update/update_key.h"

#include "core/path_text.h"
#include "platform/libraries.h"
#include "update/base64_text.h"

namespace kestrane {

namespace {

// Room for the key and generous blanks around it; a larger resource is no key.
constexpr std::size_t kResourceLimit = 256;

UpdateKey Unusable() {
  UpdateKey key;
  key.kind = UpdateKey::Kind::kUnusable;
  return key;
}

}  // namespace

UpdateKey ParseUpdateKey(std::string_view resource) {
  std::string_view text = TrimBlanks(resource);
  UpdateKey key;
  if (!DecodeBase64(text, key.bytes, sizeof key.bytes)) return Unusable();
  key.kind = UpdateKey::Kind::kKey;
  return key;
}

UpdateKey ReadUpdateKey(Libraries &libraries, FilePath libraryPath) {
  char content[kResourceLimit];
  std::size_t size = 0;
  switch (
      libraries.ReadDataResource(libraryPath, kUpdateKeyResource, content, sizeof content, size)) {
    case DataResource::kMissing: return UpdateKey();
    case DataResource::kUnreadable: return Unusable();
    case DataResource::kFound: break;
  }
  return size <= sizeof content ? ParseUpdateKey({content, size}) : Unusable();
}

}  // namespace kestrane
