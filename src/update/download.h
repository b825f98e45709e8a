// Fetching one URL into a local file. Only a whole 2xx body counts: an error page, a body cut
// short of its Content-Length, a failed or timed-out read and a body over its limit leave the
// target as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bounded_text.h"
#include "core/heap_text.h"
#include "core/text_coding.h"

namespace kestrane {

class Internet;
class Kernel;

constexpr std::size_t kReadBlockBytes = 1024;
constexpr std::uint64_t kMetadataLimitBytes = std::uint64_t{1} << 20;
constexpr std::uint64_t kUpdateFileLimitBytes = std::uint64_t{256} << 20;
// Beside its target while a download is under way; never left behind.
constexpr const char *kPartialSuffix = ".part";

class DownloadWatch {
 public:
  virtual ~DownloadWatch() = default;
  // Asked after every blocking step: true ends the transfer as a failure.
  virtual bool Cancelled() = 0;
  // After each block: the bytes so far and the announced length (0 when none was given).
  virtual void Progress(std::uint64_t received, std::uint64_t length) {
    static_cast<void>(received);
    static_cast<void>(length);
  }
};

// Why a download brought no whole body, as far as it saw.
struct DownloadProblem {
  enum class Kind {
    kNone,
    kNoConnection,      // the URL could not be opened; `code` is the system's error
    kStatus,            // the server answered `code`, not 2xx
    kBrokenOff,         // the body ended or failed after `received` bytes, short of its end
    kTooLarge,          // announced or sent more than the limit
    kInsecureRedirect,  // an https address whose body came from elsewhere
    kNotStored,         // the body could not be kept (file, memory)
    kCancelled,
  };
  Kind kind = Kind::kNone;
  unsigned long code = 0;
  std::uint64_t received = 0;
};

// The whole body into `body`. Puts the scheme in front of `url` in place.
bool FetchUrl(Internet &internet, Path &url, std::uint64_t limit, DownloadWatch *watch,
              HeapText &body, DownloadProblem *problem = nullptr);

// Appends the body to the file at `path` (created when missing) once it has arrived whole.
// Puts the scheme in front of `url` in place.
bool AppendUrlToFile(Internet &internet, Path &url, const char *path, std::uint64_t limit,
                     DownloadWatch *watch = nullptr);

// Downloads into a temporary file beside `path` (in `coding`) and moves it over `path` once
// whole. Puts the scheme in front of `url` and trims `path`, both in place.
bool DownloadUrlToFile(Internet &internet, Kernel &kernel, Path &url, Path &path,
                       std::uint64_t limit, DownloadWatch *watch = nullptr,
                       DownloadProblem *problem = nullptr,
                       TextCoding coding = TextCoding::kSystem);

}  // namespace kestrane
