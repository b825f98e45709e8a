// Signatures of an update's files by the plug-in author's update key: the "NAME.signatures:"
// value, one base64 Ed25519 signature per file of the list (or one for the archive), in order,
// separated by blanks; each signs the exact bytes of its file.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

struct UpdateKey;
struct UpdatePlan;

constexpr std::size_t kSignatureBytes = 64;

struct Signature {
  unsigned char bytes[kSignatureBytes] = {};
};

// 88 characters of standard base64, canonical.
bool DecodeSignature(std::string_view base64, Signature &signature);

enum class SignatureVerdict {
  kAccepted,    // no key, or every file signed by it
  kNotSigned,   // `file` is the first whose signature is missing, malformed or wrong
  kUnreadable,  // `file` could not be read back to be checked
};

struct SignatureCheck {
  SignatureVerdict verdict = SignatureVerdict::kAccepted;
  int file = 0;
};

// The policy, over the files of `plan` as they arrived (their incoming names). `published` is
// the signatures value, empty when none is published. A key and a published list whose count
// does not fit the files fail at the first file.
SignatureCheck CheckUpdateSignatures(const UpdateKey &key, std::string_view published,
                                     const UpdatePlan &plan);

}  // namespace kestrane
