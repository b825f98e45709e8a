#include "call_log.h"

namespace kestrane::testing {

std::vector<std::string> CallLog::Matching(const std::string &prefix) const {
  std::vector<std::string> out;
  for (const auto &e : entries_) {
    if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
  }
  return out;
}

int CallLog::IndexOf(const std::string &prefix, int from) const {
  for (std::size_t i = from < 0 ? 0 : static_cast<std::size_t>(from); i < entries_.size(); ++i) {
    if (entries_[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace kestrane::testing
