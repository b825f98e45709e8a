// One ordered log of every call the core made into the test doubles, so a test can check both
// what was asked and in which order.
#pragma once

#include <string>
#include <vector>

namespace kestrane::testing {

class CallLog {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string> &entries() const { return entries_; }
  void Clear() { entries_.clear(); }

  // Entries that begin with `prefix`, in order.
  std::vector<std::string> Matching(const std::string &prefix) const;
  // Position of the first entry that begins with `prefix`, or -1.
  int IndexOf(const std::string &prefix) const;

 private:
  std::vector<std::string> entries_;
};

}  // namespace kestrane::testing
