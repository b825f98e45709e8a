// The web as a test scripts it: per URL a status, a body, a Content-Length that may lie, a read
// that fails part way, or one that blocks until CloseAll. Safe to use from several threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/internet.h"

namespace kestrane::testing {

struct ScriptedAnswer {
  bool refuse = false;  // the URL cannot be opened, with this error
  unsigned long openError = 12029;
  unsigned status = 200;
  std::string body;
  std::optional<std::uint64_t> length;        // the Content-Length; the body's size when not set
  bool withoutLength = false;                 // no Content-Length at all
  std::size_t failAfter = std::string::npos;  // a read fails once this many bytes came
  bool blockAtEnd = false;  // where the body would end, the read waits for CloseAll, then fails
  std::function<void()> beforeRead;     // runs before every read, outside the double's lock
  std::optional<std::string> finalUrl;  // where a redirect ended; the URL asked for when not set
};

class FakeInternet final : public Internet {
 public:
  // Answers for URLs as Kestrane asks for them (with their scheme); unknown URLs are refused
  // as names that do not resolve (12007).
  void Serve(const std::string &url, ScriptedAnswer answer);
  void Serve(const std::string &url, const std::string &body);

  std::vector<std::string> Opened() const;  // every URL asked for, in order
  int OpenTransfers() const;                // transfers not yet destroyed
  int BlockedReads() const;                 // reads waiting for CloseAll now
  int CloseAllCalls() const;

  std::unique_ptr<InternetTransfer> Open(const char *url, unsigned long &error) override;
  void CloseAll() override;

 private:
  friend class FakeTransfer;
  mutable std::mutex mutex_;
  std::condition_variable closed_;
  std::map<std::string, ScriptedAnswer> answers_;
  std::vector<std::string> opened_;
  int openTransfers_ = 0;
  int blockedReads_ = 0;
  int closeAlls_ = 0;
};

}  // namespace kestrane::testing
