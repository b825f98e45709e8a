// Which windows registered for which shell message (10001/10002 to the core window).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane {

using WindowId = std::uintptr_t;

class Subscriptions {
 public:
  void Add(WindowId window, const std::vector<unsigned> &messages);
  void Remove(WindowId window, const std::vector<unsigned> &messages);
  void RemoveWindow(WindowId window);
  // In the order they registered; a window registered twice is there once.
  std::vector<WindowId> Subscribers(unsigned message) const;

 private:
  std::map<unsigned, std::vector<WindowId>> byMessage_;
};

// The message numbers of a zero-terminated list; at most `limit`, in case it is not terminated.
std::vector<unsigned> ReadMessageList(const std::uint32_t *list, size_t limit = 256);

// "10103,10901"
std::string JoinMessages(const std::vector<unsigned> &messages);

}  // namespace corvane
