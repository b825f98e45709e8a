#include "core/heap_text.h"

#include <cstdlib>
#include <cstring>

namespace kestrane {

HeapText::~HeapText() { std::free(data_); }

bool HeapText::Append(std::string_view text) {
  if (text.empty()) return true;
  // Room for a terminating zero too.
  if (capacity_ == 0 || text.size() > capacity_ - 1 - size_) {
    std::size_t wanted = size_ + text.size() + 1;
    if (wanted <= size_) return false;  // would wrap
    std::size_t capacity = capacity_ < 256 ? 256 : capacity_;
    while (capacity < wanted) capacity = capacity * 2 > capacity ? capacity * 2 : wanted;
    char *grown = static_cast<char *>(std::realloc(data_, capacity));
    if (grown == nullptr) return false;
    data_ = grown;
    capacity_ = capacity;
  }
  std::memcpy(data_ + size_, text.data(), text.size());
  size_ += text.size();
  data_[size_] = '\0';
  return true;
}

}  // namespace kestrane
