#pragma once
// A TCP proxy on the loopback for the tests of a network that goes silent: it forwards every
// connection made to it to a port on 127.0.0.1 until told to go silent; then it forwards nothing
// either way and keeps every connection open, as a network that drops every packet does for the
// program (this computer's own TCP stack still acknowledges what is sent, so only the program's
// own waits can tell). Told to forward again, it serves new connections as before.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

class LoopbackProxy {
 public:
  explicit LoopbackProxy(int targetPort) : target_(targetPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = loopback(0);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { run(); });
  }
  ~LoopbackProxy() {
    stop_ = true;
    poke();
    thread_.join();
    for (const auto& [a, b] : pairs_) {
      ::close(a);
      ::close(b);
    }
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
  }
  LoopbackProxy(const LoopbackProxy&) = delete;
  LoopbackProxy& operator=(const LoopbackProxy&) = delete;

  int port() const { return port_; }
  void setSilent(bool silent) {
    silent_ = silent;
    poke();
  }

 private:
  static sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }
  void poke() {
    const char c = 0;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
  }
  // Moves what one side sent to the other; false when either side is gone.
  static bool pass(int from, int to) {
    char buffer[16384];
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n <= 0) return false;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
      if (w <= 0) return false;
      done += w;
    }
    return true;
  }
  void run() {
    while (!stop_) {
      std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
      const bool silent = silent_;
      if (!silent) {
        for (const auto& [a, b] : pairs_) {
          fds.push_back({a, POLLIN, 0});
          fds.push_back({b, POLLIN, 0});
        }
      }
      const std::size_t polled = silent ? 0 : pairs_.size();
      if (::poll(fds.data(), fds.size(), 1000) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(wake_[0], &c, 1);
      }
      if (fds[1].revents & POLLIN) {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0) {
          const int server = ::socket(AF_INET, SOCK_STREAM, 0);
          sockaddr_in address = loopback(target_);
          if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            pairs_.emplace_back(client, server);
          } else {
            ::close(server);
            ::close(client);
          }
        }
      }
      if (silent) continue;
      std::vector<std::pair<int, int>> kept;
      for (std::size_t i = polled; i < pairs_.size(); ++i) kept.push_back(pairs_[i]);  // accepted just now
      for (std::size_t i = 0; i < polled; ++i) {
        const auto& [a, b] = pairs_[i];
        const short ra = fds[2 + 2 * i].revents, rb = fds[3 + 2 * i].revents;
        bool alive = true;
        if (ra & (POLLIN | POLLHUP | POLLERR)) alive = pass(a, b);
        if (alive && (rb & (POLLIN | POLLHUP | POLLERR))) alive = pass(b, a);
        if (alive) {
          kept.emplace_back(a, b);
        } else {
          ::close(a);
          ::close(b);
        }
      }
      pairs_ = std::move(kept);
    }
  }

  int target_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  std::atomic<bool> silent_{false};
  std::atomic<bool> stop_{false};
  std::vector<std::pair<int, int>> pairs_;  // client, server; only the proxy's thread touches them
  std::thread thread_;
};
