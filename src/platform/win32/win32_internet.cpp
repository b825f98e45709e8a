#include "platform/win32/win32_internet.h"

#include <wininet.h>

#include <new>

namespace kestrane::win32 {

namespace {

constexpr char kAgent[] = "Kestrane";
// No site holds a worker longer than this at any step: connecting, sending, or waiting for data.
constexpr DWORD kTimeoutMs = 10000;

// One slot held for the life of one handle.
class HeldHandle {
 public:
  HeldHandle() = default;
  HeldHandle(const HeldHandle &) = delete;
  HeldHandle &operator=(const HeldHandle &) = delete;
  ~HeldHandle() { Release(); }

  bool Claim(Win32Internet::Slot *slots, int count) {
    for (int i = 0; i < count; ++i) {
      bool free = false;
      if (slots[i].taken.compare_exchange_strong(free, true)) {
        slot_ = &slots[i];
        return true;
      }
    }
    return false;
  }
  void Hold(HINTERNET handle) { slot_->handle.store(handle); }
  // Null once CloseAll has taken it.
  HINTERNET Get() const { return slot_ ? slot_->handle.load() : nullptr; }
  void Release() {
    if (slot_ == nullptr) return;
    if (HINTERNET h = slot_->handle.exchange(nullptr)) InternetCloseHandle(h);
    slot_->taken.store(false);
    slot_ = nullptr;
  }

 private:
  Win32Internet::Slot *slot_ = nullptr;
};

bool QueryNumber(HINTERNET request, DWORD what, DWORD &value) {
  DWORD size = sizeof value;
  return HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != 0;
}

// Content-Length as text: the numeric form stops at 32 bits.
bool QueryLength(HINTERNET request, std::uint64_t &length) {
  char text[32] = {};
  DWORD size = sizeof text - 1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  std::uint64_t value = 0;
  DWORD i = 0;
  for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  if (i == 0 || i != size) return false;
  length = value;
  return true;
}

class Win32Transfer final : public InternetTransfer {
 public:
  UrlAnswer Answer() override { return answer_; }

  ReadResult Read(char *block, std::size_t size, std::size_t &received) override {
    received = 0;
    HINTERNET request = request_.Get();
    DWORD got = 0;
    if (request == nullptr || !InternetReadFile(request, block, static_cast<DWORD>(size), &got)) {
      return ReadResult::kFailed;
    }
    received = got;
    return got == 0 ? ReadResult::kEnd : ReadResult::kData;
  }

  bool Open(Win32Internet::Slot *slots, int count, const char *url, unsigned long &error) {
    error = 0;
    if (!session_.Claim(slots, count) || !request_.Claim(slots, count)) return false;
    // Held before the URL is opened, so that CloseAll also ends a connect that hangs.
    session_.Hold(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    HINTERNET session = session_.Get();
    if (session == nullptr) {
      error = GetLastError();
      return false;
    }
    // On this session's handle only: the process-wide settings belong to the shell and other
    // plug-ins.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      DWORD timeout = kTimeoutMs;
      InternetSetOptionA(session, option, &timeout, sizeof timeout);
    }
    // No flag that weakens certificate checks or redirect rules: an https site is taken
    // as it is or not at all.
    HINTERNET opened = InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    if (opened == nullptr) error = GetLastError();
    request_.Hold(opened);
    HINTERNET request = request_.Get();
    if (request == nullptr) return false;
    DWORD status = 0;
    if (QueryNumber(request, HTTP_QUERY_STATUS_CODE, status)) answer_.status = status;
    answer_.hasLength = QueryLength(request, answer_.length);
    // Whole, however long, so that at least its scheme is there when the text is cut.
    char finalUrl[INTERNET_MAX_URL_LENGTH + 1] = {};
    DWORD size = sizeof finalUrl - 1;
    if (InternetQueryOptionA(request, INTERNET_OPTION_URL, finalUrl, &size)) {
      answer_.finalUrl = finalUrl;
    }
    return true;
  }

  ~Win32Transfer() override {
    request_.Release();  // the URL before the session it belongs to
    session_.Release();
  }

 private:
  HeldHandle session_;
  HeldHandle request_;
  UrlAnswer answer_;
};

}  // namespace

std::unique_ptr<InternetTransfer> Win32Internet::Open(const char *url, unsigned long &error) {
  error = 0;
  std::unique_ptr<Win32Transfer> transfer(new (std::nothrow) Win32Transfer);
  if (!transfer || !transfer->Open(slots_, kSlots, url, error)) return nullptr;
  return transfer;
}

void Win32Internet::CloseAll() {
  for (Slot &slot : slots_) {
    if (HINTERNET h = slot.handle.exchange(nullptr)) InternetCloseHandle(h);
  }
}

}  // namespace kestrane::win32
