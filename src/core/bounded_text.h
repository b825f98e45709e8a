// Fixed-capacity, always zero-terminated 8-bit text. Anything longer than the capacity is cut
// at the capacity: the system's texts are meant to be cut where they no longer fit.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace kestrane {

namespace detail {

// At most `capacity - 1` characters and the terminator. Answers the length the whole text
// needs, or -1 when it was cut without saying so.
inline int FormatText(char *buffer, std::size_t capacity, const char *format, va_list args) {
#if defined(_WIN32)
  // The system's own formatter: the C99 one mingw-w64 links in its place would add some 22 KB
  // to the DLL, mostly floating-point conversions never used here. It writes no terminator when
  // the text fills the buffer and answers -1 when it is cut.
  int n = _vsnprintf(buffer, capacity - 1, format, args);
  buffer[capacity - 1] = '\0';
  return n;
#else
  return std::vsnprintf(buffer, capacity, format, args);
#endif
}

}  // namespace detail

template <std::size_t Capacity>
class BoundedText {
  static_assert(Capacity > 0, "room for the terminating zero");

 public:
  static constexpr std::size_t kCapacity = Capacity;
  static constexpr std::size_t kMaxLength = Capacity - 1;

  BoundedText() = default;
  BoundedText(std::string_view text) { Assign(text); }  // NOLINT: texts convert implicitly
  BoundedText(const char *text) {
    Assign(text ? std::string_view(text) : std::string_view());
  }  // NOLINT

  // Copies at most kMaxLength characters; returns false when the text was cut.
  bool Assign(std::string_view text) {
    length_ = text.size() < kMaxLength ? text.size() : kMaxLength;
    if (length_ > 0) std::memmove(data_, text.data(), length_);
    data_[length_] = '\0';
    return length_ == text.size();
  }

  bool Append(std::string_view text) {
    std::size_t room = kMaxLength - length_;
    std::size_t n = text.size() < room ? text.size() : room;
    if (n > 0) std::memmove(data_ + length_, text.data(), n);
    length_ += n;
    data_[length_] = '\0';
    return n == text.size();
  }

  // printf-style, always bounded; returns false when the result was cut.
  bool Format(const char *format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
  {
    va_list args;
    va_start(args, format);
    int n = detail::FormatText(data_, Capacity, format, args);
    va_end(args);
    if (n < 0) {  // cut where the buffer ends
      Resync();
      return false;
    }
    length_ = static_cast<std::size_t>(n) < kMaxLength ? static_cast<std::size_t>(n) : kMaxLength;
    return static_cast<std::size_t>(n) <= kMaxLength;
  }

  void Truncate(std::size_t length) {
    if (length < length_) {
      length_ = length;
      data_[length_] = '\0';
    }
  }

  void Clear() { Truncate(0); }

  // Lets a Win32 call fill the buffer directly; call Resync afterwards.
  char *Buffer() { return data_; }
  void Resync() {
    data_[kMaxLength] = '\0';
    length_ = std::strlen(data_);
  }

  const char *c_str() const { return data_; }
  std::string_view view() const { return {data_, length_}; }
  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  char operator[](std::size_t i) const { return data_[i]; }

  friend bool operator==(const BoundedText &a, std::string_view b) { return a.view() == b; }

 private:
  char data_[Capacity] = {};
  std::size_t length_ = 0;
};

constexpr std::size_t kPathCapacity = 260;
using Path = BoundedText<kPathCapacity>;

}  // namespace kestrane
