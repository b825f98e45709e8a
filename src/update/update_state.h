// What the update workers share with the window thread beyond the plug-in table.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/bounded_text.h"

namespace kestrane {

// Workers that may wait for the window thread at once; one more finds no room and leaves.
constexpr int kCallsInFlight = 16;

struct UpdateState {
  // Raised by every shut-down. A worker remembers the value it started with and leaves, without
  // touching the window or the table again, once it differs.
  std::atomic<unsigned> epoch{0};
  std::atomic<bool> checkRunning{false};  // one update check at a time
  // An update's files are moving. A begin after an end in the same image waits for the moves of
  // the last session's worker before it puts the previous files back: never reset.
  std::atomic<bool> movingFiles{false};
  std::atomic<int> spinningWorkers{0};  // the gear turns while this is above 0
  // The addresses of the calls workers have sent to the window and are waiting for. The window
  // carries out a call only when it finds it here, and takes it out as it does: any program
  // can post the message's number, never a call of ours.
  std::atomic<std::uintptr_t> callsInFlight[kCallsInFlight] = {};

  // Window thread only: a plug-in an update has stopped and not yet started again. Shut-down
  // marks it enabled again in the list file, so an update cut short does not leave it off.
  int pausedSlot = -1;
  Path pausedPath;
  // Window thread only: the catalogue entry an install was asked for.
  Path installId;
};

}  // namespace kestrane
