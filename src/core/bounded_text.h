// Fixed-capacity, always zero-terminated 8-bit text. Anything longer than the capacity is cut
// at the capacity: the system's texts are meant to be cut where they no longer fit.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

namespace kestrane {

namespace detail {

// The work of every BoundedText, whatever its capacity, done once: a copy per capacity would
// cost the DLL a few kilobytes. Each keeps `data` zero-terminated within `maxLength`.
bool AssignText(char *data, std::size_t &length, std::size_t maxLength, std::string_view text);
bool AppendText(char *data, std::size_t &length, std::size_t maxLength, std::string_view text);
bool FormatText(char *data, std::size_t &length, std::size_t maxLength, const char *format,
                va_list args);
void ResyncText(char *data, std::size_t &length, std::size_t maxLength);

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
    return detail::AssignText(data_, length_, kMaxLength, text);
  }

  bool Append(std::string_view text) {
    return detail::AppendText(data_, length_, kMaxLength, text);
  }

  // printf-style, always bounded; returns false when the result was cut.
  bool Format(const char *format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
  {
    va_list args;
    va_start(args, format);
    bool whole = detail::FormatText(data_, length_, kMaxLength, format, args);
    va_end(args);
    return whole;
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
  void Resync() { detail::ResyncText(data_, length_, kMaxLength); }

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
