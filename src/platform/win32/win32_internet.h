#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "platform/internet.h"

namespace kestrane::win32 {

// WinINet with Kestrane's fixed settings. Every open handle sits in a slot of this adapter,
// so that CloseAll can close it from another thread; whoever takes a handle out of its slot
// (the transfer when it ends, or CloseAll) is the one who closes it, exactly once.
class Win32Internet final : public Internet {
 public:
  static constexpr int kSlots = 2 * kMaxOpenTransfers;  // a session and a URL per transfer

  std::unique_ptr<InternetTransfer> Open(const char *url, unsigned long &error) override;
  void CloseAll() override;

  struct Slot {
    std::atomic<HINTERNET> handle{nullptr};
    std::atomic<bool> taken{false};
  };

 private:
  Slot slots_[kSlots];
};

}  // namespace kestrane::win32
