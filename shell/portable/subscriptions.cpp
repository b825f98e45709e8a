#include "portable/subscriptions.h"

#include <algorithm>

namespace corvane {

void Subscriptions::Add(WindowId window, const std::vector<unsigned> &messages) {
  for (unsigned message : messages) {
    auto &windows = byMessage_[message];
    if (std::find(windows.begin(), windows.end(), window) == windows.end()) {
      windows.push_back(window);
    }
  }
}

void Subscriptions::Remove(WindowId window, const std::vector<unsigned> &messages) {
  for (unsigned message : messages) {
    auto found = byMessage_.find(message);
    if (found == byMessage_.end()) continue;
    auto &windows = found->second;
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
  }
}

void Subscriptions::RemoveWindow(WindowId window) {
  for (auto &entry : byMessage_) {
    auto &windows = entry.second;
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
  }
}

std::vector<WindowId> Subscriptions::Subscribers(unsigned message) const {
  auto found = byMessage_.find(message);
  return found == byMessage_.end() ? std::vector<WindowId>{} : found->second;
}

std::vector<unsigned> ReadMessageList(const std::uint32_t *list, size_t limit) {
  std::vector<unsigned> messages;
  if (!list) return messages;
  for (size_t i = 0; i < limit && list[i] != 0; ++i) messages.push_back(list[i]);
  return messages;
}

std::string JoinMessages(const std::vector<unsigned> &messages) {
  std::string out;
  for (unsigned message : messages) {
    if (!out.empty()) out += ',';
    out += std::to_string(message);
  }
  return out;
}

}  // namespace corvane
