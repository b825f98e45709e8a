// A text of any length on the heap, for whole files and lists. Kestrane is built without C++
// exceptions: an allocation that fails leaves the text as it was and is reported, so that the
// caller gives up cleanly instead of the shell's process ending.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

class HeapText {
 public:
  HeapText() = default;
  ~HeapText();
  HeapText(const HeapText &) = delete;
  HeapText &operator=(const HeapText &) = delete;

  // False when there was no memory for it; the text is then unchanged.
  bool Append(std::string_view text);
  void Clear() {
    size_ = 0;
    if (data_ != nullptr) data_[0] = '\0';
  }

  std::string_view view() const { return {c_str(), size_}; }
  const char *c_str() const { return data_ != nullptr ? data_ : ""; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char *data() { return data_; }

 private:
  char *data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kestrane
