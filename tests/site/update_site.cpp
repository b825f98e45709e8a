#include "update_site.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>

namespace kestrane::site {

namespace {

constexpr int kStallSeconds = 11;  // longer than the 10 s receive time-out of the client
constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

UpdateSite::UpdateSite(const std::string &folder, int answerDelayMs)
    : server_(std::make_unique<httplib::Server>()) {
  Start(folder, answerDelayMs);
}

UpdateSite::UpdateSite(const std::string &certificateFile, const std::string &keyFile)
    : server_(std::make_unique<httplib::SSLServer>(certificateFile.c_str(), keyFile.c_str())),
      secure_(true) {
  if (server_->is_valid()) Start("", 0);
}

void UpdateSite::Start(const std::string &folder, int answerDelayMs) {
  if (!folder.empty()) server_->set_mount_point("/", folder);
  if (answerDelayMs > 0) {
    server_->set_pre_routing_handler(
        [this, answerDelayMs](const httplib::Request &, httplib::Response &) {
          auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(answerDelayMs);
          while (!stopping_ && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          return httplib::Server::HandlerResponse::Unhandled;
        });
  }
  server_->Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
    Route route;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back("GET " + request.path);
      auto found = routes_.find(request.path);
      if (found == routes_.end()) {
        response.status = 404;
        response.set_content("Not Found", "text/plain");
        return;
      }
      route = found->second;
    }
    switch (route.kind) {
      case Route::kFile: response.set_content(route.body, "application/octet-stream"); break;
      case Route::kStatus:
        response.status = route.status;
        response.set_content("<html><body>Error " + std::to_string(route.status) + "</body></html>",
                             "text/html");
        break;
      case Route::kRedirect:
        response.set_redirect(route.body.find("://") == std::string::npos ? Url(route.body)
                                                                          : route.body);
        break;
      case Route::kDelay: {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(route.intervalMs);
        while (!stopping_ && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        response.set_content(route.body, "application/octet-stream");
        break;
      }
      case Route::kBreakOff:
      case Route::kStall:
        response.set_content_provider(
            route.body.size(), "application/octet-stream",
            [this, route](std::size_t offset, std::size_t, httplib::DataSink &sink) {
              if (offset == 0 && route.sent > 0) return sink.write(route.body.data(), route.sent);
              if (route.kind == Route::kStall) {
                auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kStallSeconds);
                while (!stopping_ && std::chrono::steady_clock::now() < until) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
              }
              return false;  // the connection closes here, short of its length
            });
        break;
      case Route::kTrickle:
        response.set_content_provider(
            route.body.size(), "application/octet-stream",
            [this, route](std::size_t offset, std::size_t, httplib::DataSink &sink) {
              if (offset > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(route.intervalMs));
              std::size_t n = std::min(route.sent, route.body.size() - offset);
              return !stopping_ && sink.write(route.body.data() + offset, n);
            });
        break;
      case Route::kOversize: {
        auto zeros = std::make_shared<std::string>(kChunk, '\0');
        auto provide = [this, route, zeros](std::size_t offset, httplib::DataSink &sink) {
          // Announced: a little, then the connection closes.
          if (stopping_ || (route.announced && offset > 0)) return false;
          if (offset >= route.bytes) {
            sink.done();
            return true;
          }
          std::uint64_t left = route.bytes - offset;
          return sink.write(zeros->data(), left < kChunk ? static_cast<std::size_t>(left) : kChunk);
        };
        if (route.announced) {
          response.set_content_provider(
              static_cast<std::size_t>(route.bytes), "application/octet-stream",
              [provide](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                return provide(offset, sink);
              });
        } else {
          response.set_chunked_content_provider("application/octet-stream", provide);
        }
        break;
      }
    }
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    port_ = 0;
    return;
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
}

UpdateSite::~UpdateSite() {
  stopping_ = true;
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string UpdateSite::Url(const std::string &path) const {
  // Wine matches a certificate's DNS names, never an IP address.
  return (secure_ ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(port_) + "/" +
         path;
}

void UpdateSite::Set(const std::string &path, Route route) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_["/" + path] = std::move(route);
}

void UpdateSite::Serve(const std::string &path, std::string body) {
  Route r;
  r.body = std::move(body);
  Set(path, std::move(r));
}

void UpdateSite::Status(const std::string &path, int status) {
  Route r;
  r.kind = Route::kStatus;
  r.status = status;
  Set(path, std::move(r));
}

void UpdateSite::BreakOff(const std::string &path, std::string body, std::size_t sent) {
  Route r;
  r.kind = Route::kBreakOff;
  r.body = std::move(body);
  r.sent = sent;
  Set(path, std::move(r));
}

void UpdateSite::Stall(const std::string &path, std::string body, std::size_t sent) {
  Route r;
  r.kind = Route::kStall;
  r.body = std::move(body);
  r.sent = sent;
  Set(path, std::move(r));
}

void UpdateSite::Trickle(const std::string &path, std::string body, std::size_t piece,
                         int intervalMs) {
  Route r;
  r.kind = Route::kTrickle;
  r.body = std::move(body);
  r.sent = piece;
  r.intervalMs = intervalMs;
  Set(path, std::move(r));
}

void UpdateSite::Oversize(const std::string &path, std::uint64_t bytes, bool announced) {
  Route r;
  r.kind = Route::kOversize;
  r.bytes = bytes;
  r.announced = announced;
  Set(path, std::move(r));
}

void UpdateSite::Delay(const std::string &path, std::string body, int delayMs) {
  Route r;
  r.kind = Route::kDelay;
  r.body = std::move(body);
  r.intervalMs = delayMs;
  Set(path, std::move(r));
}

void UpdateSite::Redirect(const std::string &path, const std::string &to) {
  Route r;
  r.kind = Route::kRedirect;
  r.body = to;
  Set(path, std::move(r));
}

std::vector<std::string> UpdateSite::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

}  // namespace kestrane::site
