// Start-up time to the first window on the screen: the program beside a bare Qt window, each
// started as a new process on the same X display, one after the other, ROUNDS times each. A start
// is timed from the moment before the process is made to the first top-level window the X server
// maps (a display without a window manager maps top-level windows as children of its root), as a
// user sees it; then the process is ended. Prints each round and the medians with their ratio.
//
//   startup_bench PROGRAM BARE [ROUNDS]
//
// Both run with the bench's own environment and working directory: the calibration file, the
// settings (XDG_CONFIG_HOME) and so the database are whatever scripts/startup-bench.sh set up.

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts `path` and waits for the first window mapped on the display; milliseconds, or a negative
// number when none was mapped within a minute or the program ended first.
double timeToFirstWindow(Display* display, const char* path) {
  XSync(display, True);  // events of earlier runs are dropped
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execl(path, path, static_cast<char*>(nullptr));
    _exit(127);
  }
  double elapsed = -1;
  const int fd = ConnectionNumber(display);
  while (Clock::now() - start < std::chrono::seconds(60)) {
    if (XPending(display) == 0) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child) return -1;  // ended without a window
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(fd, &ready);
      timeval wait{0, 20000};
      select(fd + 1, &ready, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify) {
      elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return elapsed;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench PROGRAM BARE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "startup_bench: no X display (run it under Xvfb: scripts/startup-bench.sh)\n");
    return 1;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  // One start of each first, not counted: the files they read are in the page cache afterwards.
  timeToFirstWindow(display, argv[2]);
  timeToFirstWindow(display, argv[1]);
  std::vector<double> program, bare;
  for (int r = 0; r < rounds; ++r) {
    const double b = timeToFirstWindow(display, argv[2]);
    const double p = timeToFirstWindow(display, argv[1]);
    if (b < 0 || p < 0) {
      std::fprintf(stderr, "startup_bench: round %d: %s showed no window\n", r + 1, b < 0 ? argv[2] : argv[1]);
      return 1;
    }
    bare.push_back(b);
    program.push_back(p);
    std::printf("round %2d: program %7.1f ms   bare window %7.1f ms\n", r + 1, p, b);
  }
  const double mp = median(program), mb = median(bare);
  std::printf("median:   program %7.1f ms   bare window %7.1f ms   ratio %.2f\n", mp, mb, mp / mb);
  XCloseDisplay(display);
  return 0;
}
