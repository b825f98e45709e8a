#include "fake_internet.h"

#include <algorithm>

namespace kestrane::testing {

class FakeTransfer final : public InternetTransfer {
 public:
  FakeTransfer(FakeInternet &internet, ScriptedAnswer answer, const char *url, int generation)
      : internet_(internet),
        answer_(std::move(answer)),
        url_(answer_.finalUrl.value_or(url)),
        generation_(generation) {}
  ~FakeTransfer() override {
    std::lock_guard<std::mutex> lock(internet_.mutex_);
    --internet_.openTransfers_;
  }

  UrlAnswer Answer() override {
    UrlAnswer a;
    a.status = answer_.status;
    a.hasLength = !answer_.withoutLength;
    a.length = answer_.length.value_or(answer_.body.size());
    a.finalUrl = Path(url_);
    return a;
  }

  ReadResult Read(char *block, std::size_t size, std::size_t &received) override {
    received = 0;
    if (answer_.beforeRead) answer_.beforeRead();
    std::unique_lock<std::mutex> lock(internet_.mutex_);
    if (internet_.closeAlls_ != generation_) return ReadResult::kFailed;
    if (position_ == answer_.failAfter) return ReadResult::kFailed;
    if (position_ == answer_.body.size()) {
      if (!answer_.blockAtEnd) return ReadResult::kEnd;
      ++internet_.blockedReads_;
      internet_.closed_.wait(lock, [&] { return internet_.closeAlls_ != generation_; });
      --internet_.blockedReads_;
      return ReadResult::kFailed;
    }
    std::size_t end = std::min(answer_.body.size(), answer_.failAfter);
    received = std::min(size, end - position_);
    answer_.body.copy(block, received, position_);
    position_ += received;
    return ReadResult::kData;
  }

 private:
  FakeInternet &internet_;
  ScriptedAnswer answer_;
  std::string url_;
  int generation_;
  std::size_t position_ = 0;
};

void FakeInternet::Serve(const std::string &url, ScriptedAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[url] = std::move(answer);
}

void FakeInternet::Serve(const std::string &url, const std::string &body) {
  ScriptedAnswer answer;
  answer.body = body;
  Serve(url, std::move(answer));
}

std::vector<std::string> FakeInternet::Opened() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opened_;
}

int FakeInternet::OpenTransfers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return openTransfers_;
}

int FakeInternet::BlockedReads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return blockedReads_;
}

int FakeInternet::CloseAllCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closeAlls_;
}

std::unique_ptr<InternetTransfer> FakeInternet::Open(const char *url, unsigned long &error) {
  std::lock_guard<std::mutex> lock(mutex_);
  opened_.push_back(url);
  auto found = answers_.find(url);
  error = found == answers_.end() ? 12007 : found->second.openError;
  if (found == answers_.end() || found->second.refuse) return nullptr;
  error = 0;
  ++openTransfers_;
  return std::make_unique<FakeTransfer>(*this, found->second, url, closeAlls_);
}

void FakeInternet::CloseAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++closeAlls_;
  closed_.notify_all();
}

}  // namespace kestrane::testing
