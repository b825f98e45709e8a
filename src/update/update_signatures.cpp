#include "update/update_signatures.h"

#include <sodium/crypto_sign_ed25519.h>

#include "update/base64_text.h"
#include "update/release_statement.h"
#include "update/update_key.h"

namespace kestrane {

bool DecodeSignature(std::string_view base64, Signature &signature) {
  return DecodeBase64(base64, signature.bytes, sizeof signature.bytes);
}

ReleaseVerdict CheckRelease(const UpdateKey &key, std::string_view signature,
                            const PublishedRelease &release, const UpdatePlan &plan,
                            std::string_view ownDate) {
  if (key.kind == UpdateKey::Kind::kNone) return ReleaseVerdict::kAccepted;
  Signature decoded;
  ReleaseStatement statement;
  if (key.kind != UpdateKey::Kind::kKey || !DecodeSignature(signature, decoded) ||
      !BuildReleaseStatement(release, plan, statement) ||
      crypto_sign_ed25519_verify_detached(
          decoded.bytes, reinterpret_cast<const unsigned char *>(statement.c_str()),
          statement.size(), key.bytes) != 0) {
    return ReleaseVerdict::kNotSigned;
  }
  return IsOlderRelease(release.date, ownDate) ? ReleaseVerdict::kOlder : ReleaseVerdict::kAccepted;
}

}  // namespace kestrane
