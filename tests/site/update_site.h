// A small update site on 127.0.0.1 and a free port, for the end-to-end tests, the demo and the
// download benchmark: it serves files and, per path, misbehaves as a hostile or broken site
// would. Every request is logged as it arrives.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kestrane::site {

class UpdateSite {
 public:
  // Also serves the files of `folder` when one is given. With `answerDelayMs`, every answer
  // (the folder's files too) comes only that late, as from a distant site.
  explicit UpdateSite(const std::string &folder = "", int answerDelayMs = 0);
  // Speaks https as localhost, with the certificate and key in these PEM files.
  UpdateSite(const std::string &certificateFile, const std::string &keyFile);
  ~UpdateSite();
  UpdateSite(const UpdateSite &) = delete;
  UpdateSite &operator=(const UpdateSite &) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT/" + path, or "https://localhost:PORT/" + path.
  std::string Url(const std::string &path) const;

  void Serve(const std::string &path, std::string body);
  void Status(const std::string &path, int status);  // with an error page as its body
  // Announces the whole body's length, sends `sent` bytes of it and closes the connection.
  void BreakOff(const std::string &path, std::string body, std::size_t sent);
  // Sends `sent` bytes, then nothing for longer than the client's receive time-out.
  void Stall(const std::string &path, std::string body, std::size_t sent);
  // Sends `body` a piece at a time, `piece` bytes every `intervalMs`.
  void Trickle(const std::string &path, std::string body, std::size_t piece, int intervalMs);
  // Announces `bytes` as Content-Length but sends only a little before closing (a client that
  // trusts the length would have to reserve it all), or, unannounced, streams `bytes` bytes in
  // chunks.
  void Oversize(const std::string &path, std::uint64_t bytes, bool announced);
  // To another path of this site, or to any address with a scheme.
  void Redirect(const std::string &path, const std::string &to);
  // Answers with `body` after `delayMs`.
  void Delay(const std::string &path, std::string body, int delayMs);

  std::vector<std::string> Requests() const;  // "GET /path", in the order they came

 private:
  struct Route {
    enum Kind {
      kFile,
      kStatus,
      kBreakOff,
      kStall,
      kTrickle,
      kOversize,
      kRedirect,
      kDelay
    } kind = kFile;
    std::string body;
    std::size_t sent = 0;  // also a trickle's piece
    int intervalMs = 0;
    int status = 200;
    std::uint64_t bytes = 0;
    bool announced = true;
  };
  void Set(const std::string &path, Route route);
  void Start(const std::string &folder, int answerDelayMs);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  bool secure_ = false;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Route> routes_;
  std::vector<std::string> requests_;
};

}  // namespace kestrane::site
