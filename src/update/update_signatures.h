// The author's signature of a release: the "NAME.signature:" value, one base64 Ed25519
// signature of the release statement (release_statement.h) made with the update key the
// plug-in carries.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

struct PublishedRelease;
struct UpdateKey;
struct UpdatePlan;

constexpr std::size_t kSignatureBytes = 64;

struct Signature {
  unsigned char bytes[kSignatureBytes] = {};
};

// 88 characters of standard base64, canonical.
bool DecodeSignature(std::string_view base64, Signature &signature);

// `signature` (base64) is one made of `message` with `key`.
bool IsSignedWith(const UpdateKey &key, std::string_view signature, std::string_view message);

enum class ReleaseVerdict {
  kAccepted,   // no key, or a release signed with it and not older than the running one
  kNotSigned,  // a signature missing, malformed or wrong, an unusable key, a file without digest
  kOlder,      // signed, but dated before the running release
};

// The policy, from the metadata alone, so that it runs before anything is downloaded: the
// digests in `plan` then bind the files' bytes. `signature` is the value as published.
ReleaseVerdict CheckRelease(const UpdateKey &key, std::string_view signature,
                            const PublishedRelease &release, const UpdatePlan &plan,
                            std::string_view ownDate);

}  // namespace kestrane
