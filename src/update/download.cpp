#include "update/download.h"

#include <cstdio>
#include <memory>
#include <string>

#include "core/path_text.h"
#include "core/text_file.h"
#include "platform/internet.h"
#include "platform/kernel.h"
#include "update/staged_file.h"
#include "update/url_text.h"

namespace kestrane {

namespace {

bool IsBody(unsigned status) { return status == 0 || (status >= 200 && status <= 299); }

bool Cancelled(DownloadWatch *watch) { return watch != nullptr && watch->Cancelled(); }

bool IsSecure(std::string_view url) {
  constexpr std::string_view kSecureScheme = "https://";
  return url.size() >= kSecureScheme.size() &&
         EqualNoCase(url.substr(0, kSecureScheme.size()), kSecureScheme);
}

// An https address whose body would come from elsewhere than https (a redirect to http), or
// from where the system cannot say.
bool Downgraded(const Path &url, const UrlAnswer &answer) {
  return IsSecure(url.view()) && !IsSecure(answer.finalUrl.view());
}

using Kind = DownloadProblem::Kind;

// False, noting why.
bool Fail(DownloadProblem &problem, Kind kind, unsigned long code = 0) {
  problem.kind = kind;
  problem.code = code;
  return false;
}

// The opened URL, or null when it cannot be opened or answers with anything but a body that
// may fit the limit.
std::unique_ptr<InternetTransfer> OpenBody(Internet &internet, Path &url, std::uint64_t limit,
                                           DownloadWatch *watch, UrlAnswer &answer,
                                           DownloadProblem &problem) {
  problem = DownloadProblem{};
  auto refuse = [&](Kind kind, unsigned long code) {
    Fail(problem, kind, code);
    return std::unique_ptr<InternetTransfer>();
  };
  if (!EnsureUrlScheme(url)) return refuse(Kind::kNoConnection, 0);
  unsigned long error = 0;
  std::unique_ptr<InternetTransfer> transfer = internet.Open(url.c_str(), error);
  if (!transfer) return refuse(Kind::kNoConnection, error);
  if (Cancelled(watch)) return refuse(Kind::kCancelled, 0);
  answer = transfer->Answer();
  if (!IsBody(answer.status)) return refuse(Kind::kStatus, answer.status);
  if (answer.hasLength && answer.length > limit) return refuse(Kind::kTooLarge, 0);
  if (Downgraded(url, answer)) return refuse(Kind::kInsecureRedirect, 0);
  return transfer;
}

// Reads the whole body, handing each block to `sink`. True only when the body ended cleanly,
// within the limit, and as long as its announced length.
template <typename Sink>
bool ReadBody(InternetTransfer &transfer, const UrlAnswer &answer, std::uint64_t limit,
              DownloadWatch *watch, DownloadProblem &problem, Sink &&sink) {
  char block[kReadBlockBytes];
  std::uint64_t &total = problem.received;
  for (;;) {
    std::size_t received = 0;
    ReadResult result = transfer.Read(block, sizeof block, received);
    if (Cancelled(watch)) return Fail(problem, Kind::kCancelled);
    if (result == ReadResult::kFailed) return Fail(problem, Kind::kBrokenOff);
    if (result == ReadResult::kEnd) break;
    total += received;
    if (total > limit) return Fail(problem, Kind::kTooLarge);
    if (!sink(block, received)) return Fail(problem, Kind::kNotStored);
    if (watch != nullptr) watch->Progress(total, answer.hasLength ? answer.length : 0);
  }
  // WinINet ends a body the server broke off with a clean read: only the length tells.
  return !answer.hasLength || total == answer.length || Fail(problem, Kind::kBrokenOff);
}

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};

}  // namespace

bool FetchUrl(Internet &internet, Path &url, std::uint64_t limit, DownloadWatch *watch,
              HeapText &body, DownloadProblem *problem) {
  DownloadProblem ignored;
  DownloadProblem &why = problem != nullptr ? *problem : ignored;
  body.Clear();
  UrlAnswer answer;
  std::unique_ptr<InternetTransfer> transfer = OpenBody(internet, url, limit, watch, answer, why);
  if (!transfer) return false;
  auto keep = [&](const char *data, std::size_t size) { return body.Append({data, size}); };
  return ReadBody(*transfer, answer, limit, watch, why, keep);
}

bool AppendUrlToFile(Internet &internet, Path &url, const char *path, std::uint64_t limit,
                     DownloadWatch *watch) {
  HeapText body;
  return FetchUrl(internet, url, limit, watch, body) && AppendToFile(path, body.view());
}

bool DownloadUrlToFile(Internet &internet, Kernel &kernel, Path &url, Path &path,
                       std::uint64_t limit, DownloadWatch *watch, DownloadProblem *problem,
                       TextCoding coding) {
  DownloadProblem ignored;
  DownloadProblem &why = problem != nullptr ? *problem : ignored;
  TrimBlanks(path);
  UrlAnswer answer;
  std::unique_ptr<InternetTransfer> transfer = OpenBody(internet, url, limit, watch, answer, why);
  if (!transfer) return false;
  StagedFile partial;
  if (!partial.Name(kernel, path.view(), kPartialSuffix, coding)) {
    return Fail(why, Kind::kNotStored);
  }
  std::unique_ptr<std::FILE, FileCloser> file(kernel.OpenFile(partial.path(), "wb"));
  if (!file) return Fail(why, Kind::kNotStored);
  auto write = [&](const char *data, std::size_t size) {
    return std::fwrite(data, 1, size, file.get()) == size;
  };
  if (!ReadBody(*transfer, answer, limit, watch, why, write)) return false;
  transfer.reset();
  if (std::fclose(file.release()) != 0 ||
      !partial.MoveOver(kernel, FilePath(path.c_str(), coding))) {
    return Fail(why, Kind::kNotStored);
  }
  return true;
}

}  // namespace kestrane
