// The web as the core sees it: one URL opened with the fixed download settings, its answer
// read in blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/bounded_text.h"

namespace kestrane {

// How many sites an update check fetches at once.
constexpr int kMaxParallelFetches = 32;
// Transfers an adapter must be able to hold open at once: a check's, an update's beside them,
// and a few of an earlier check still closing after a shut-down.
constexpr int kMaxOpenTransfers = kMaxParallelFetches + 4;

// What the server answered before the body.
struct UrlAnswer {
  unsigned status = 0;  // the HTTP status; 0 for a scheme that has none
  bool hasLength = false;
  std::uint64_t length = 0;  // the Content-Length, when the server gave one
  Path finalUrl;             // where the body came from, after any redirects; empty if unknown
};

enum class ReadResult { kData, kEnd, kFailed };

// One opened URL; destroying it closes its handles.
class InternetTransfer {
 public:
  virtual ~InternetTransfer() = default;
  virtual UrlAnswer Answer() = 0;
  // Up to `size` bytes of the body. kEnd: the body is over; kFailed: the connection broke,
  // timed out or was closed by CloseAll.
  virtual ReadResult Read(char *block, std::size_t size, std::size_t &received) = 0;
};

class Internet {
 public:
  virtual ~Internet() = default;
  // Null when the URL cannot be opened (no connection, refused, time-out, bad address); then
  // `error` holds the system's error code, 0 when it gave none.
  virtual std::unique_ptr<InternetTransfer> Open(const char *url, unsigned long &error) = 0;
  // Safe from any thread: closes every transfer open at this moment, so a read blocked in it
  // ends at once. Transfers opened afterwards are not affected.
  virtual void CloseAll() = 0;
};

}  // namespace kestrane
