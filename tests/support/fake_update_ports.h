// Checksums and the folder browser as a test sees them.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "call_log.h"
#include "platform/digest.h"
#include "platform/folder_browser.h"

namespace kestrane::testing {

// Not SHA-256, but as fixed a function of the bytes: enough to tell files apart.
class FakeDigest final : public Digest {
 public:
  bool available = true;  // false: a system without a SHA-256 provider
  static Sha256 Of(std::string_view content);
  static std::string Hex(std::string_view content);  // lower-case
  std::unique_ptr<Sha256Hasher> StartSha256() override;
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
