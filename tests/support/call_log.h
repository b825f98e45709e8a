// One ordered log of every call the core made into the test doubles, so a test can check both
// what was asked and in which order.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace kestrane::testing {

class CallLog {
 public:
  // Workers add from their own threads; reads are for the test once they have ended.
  void Add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  const std::vector<std::string> &entries() const { return entries_; }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }

  // Entries that begin with `prefix`, in order.
  std::vector<std::string> Matching(const std::string &prefix) const;
  // Position of the first entry at or after `from` that begins with `prefix`, or -1.
  int IndexOf(const std::string &prefix, int from = 0) const;

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

}  // namespace kestrane::testing
