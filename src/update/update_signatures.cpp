#include "update/update_signatures.h"

#include <sodium/crypto_sign_ed25519.h>

#include "update/base64_text.h"
#include "update/release_statement.h"
#include "update/update_key.h"

namespace kestrane {

bool DecodeSignature(std::string_view base64, Signature &signature) {
  return DecodeBase64(base64, signature.bytes, sizeof signature.bytes);
}

bool IsSignedWith(const UpdateKey &key, std::string_view signature, std::string_view message) {
  Signature decoded;
  return key.kind == UpdateKey::Kind::kKey && DecodeSignature(signature, decoded) &&
         crypto_sign_ed25519_verify_detached(
             decoded.bytes, reinterpret_cast<const unsigned char *>(message.data()),
             message.size(), key.bytes) == 0;
}

ReleaseVerdict CheckRelease(const UpdateKey &key, std::string_view signature,
                            const PublishedRelease &release, const UpdatePlan &plan,
                            std::string_view ownDate) {
  if (key.kind == UpdateKey::Kind::kNone) return ReleaseVerdict::kAccepted;
  ReleaseStatement statement;
  if (!BuildReleaseStatement(release, plan, statement) ||
      !IsSignedWith(key, signature, statement.view())) {
    return ReleaseVerdict::kNotSigned;
  }
  return IsOlderRelease(release.date, ownDate) ? ReleaseVerdict::kOlder : ReleaseVerdict::kAccepted;
}

}  // namespace kestrane
