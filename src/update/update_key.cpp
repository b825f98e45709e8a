#include "update/update_key.h"

#include <sodium/utils.h>

#include "core/path_text.h"
#include "platform/libraries.h"

namespace kestrane {

namespace {

constexpr std::size_t kKeyBase64Length = 44;
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
  std::size_t decoded = 0;
  if (text.size() != kKeyBase64Length ||
      sodium_base642bin(key.bytes, sizeof key.bytes, text.data(), text.size(), nullptr, &decoded,
                        nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      decoded != kUpdateKeyBytes) {
    return Unusable();
  }
  key.kind = UpdateKey::Kind::kKey;
  return key;
}

UpdateKey ReadUpdateKey(Libraries &libraries, const char *libraryPath) {
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
