// The folder browser as a test sees it, and the published form of a file's checksum.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "call_log.h"
#include "platform/folder_browser.h"

namespace kestrane::testing {

// The SHA-256 of `content` in lower-case hexadecimal, as an author publishes it.
std::string Sha256Hex(std::string_view content);

// An author's Ed25519 key pair, made from a seed, in the published forms.
class AuthorKey {
 public:
  explicit AuthorKey(unsigned char seed);
  const std::string &PublicBase64() const { return public_; }  // the resource's 44 characters
  std::string Sign(std::string_view content) const;            // 88 characters

 private:
  unsigned char secret_[64] = {};
  std::string public_;
};

class FakeFolderBrowser final : public FolderBrowser {
 public:
  explicit FakeFolderBrowser(CallLog &log) : log_(log) {}
  std::deque<std::string> answers;  // the next choices; empty: cancel
  WindowHandle lastOwner = kNoWindow;
  unsigned lastFlags = 0;
  Path ChooseFolder(WindowHandle owner, const char *title, unsigned flags) override;

 private:
  CallLog &log_;
};

}  // namespace kestrane::testing
