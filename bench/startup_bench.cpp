// Start-up time to the first window on the screen: the program beside a bare Qt window, each
// started as a new process on the same X display, one after the other, ROUNDS times each. A start
// is timed from the moment before the process is made to the first top-level window the X server
// maps (a display without a window manager maps top-level windows as children of its root), as a
// user sees it, and to the first drawing into that window (the X server's damage report: the
// program's first drawing is its whole window with every panel), and to the last drawing before the
// window stays still for two seconds: when the patient list is in and Select enabled, which the
// window draws as it happens (the grid filled, the button no longer greyed); then the process is
// ended. Prints each round and the medians with their ratio.
//
//   startup_bench PROGRAM BARE [ROUNDS]
//
// Both run with the bench's own environment and working directory: the calibration file, the
// settings (XDG_CONFIG_HOME) and so the database are whatever scripts/startup-bench.sh set up.

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
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

int damageEvents = 0;  // the first event number of the damage extension

// A window that was destroyed before its damage object was made: nothing to report.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

struct Start {
  double mapped = -1;   // ms to the first window mapped; negative when none was
  double drawn = -1;    // ms to the first drawing into it; negative when none came within a minute
  double settled = -1;  // ms to the last drawing before two seconds without any: the list is in
};

// How long a window must stay without drawing to count as settled.
constexpr std::chrono::milliseconds kStill{2000};

// Starts `path` and waits for the first window mapped on the display and for the first drawing
// into it. Every top-level window is watched for drawing from its creation on, so that a drawing
// that follows the mapping at once is not missed.
Start timeStart(Display* display, const char* path) {
  XSync(display, True);  // events of earlier runs are dropped
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execl(path, path, static_cast<char*>(nullptr));
    _exit(127);
  }
  Start result;
  Window first = 0;
  std::vector<Damage> damages;
  const int fd = ConnectionNumber(display);
  const auto since = [&] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
  Clock::time_point lastDrawing{};
  while (Clock::now() - start < std::chrono::seconds(60)) {
    if (result.drawn >= 0 && Clock::now() - lastDrawing >= kStill) break;
    if (XPending(display) == 0) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child) break;  // ended
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(fd, &ready);
      timeval wait{0, 20000};
      select(fd + 1, &ready, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == CreateNotify) {
      damages.push_back(XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty));
    } else if (event.type == MapNotify && first == 0) {
      first = event.xmap.window;
      result.mapped = since();
    } else if (event.type == damageEvents + XDamageNotify && first != 0 &&
               reinterpret_cast<XDamageNotifyEvent*>(&event)->drawable == first) {
      // Each report is acknowledged, so that the next drawing is reported too.
      XDamageSubtract(display, reinterpret_cast<XDamageNotifyEvent*>(&event)->damage, None, None);
      if (result.drawn < 0) result.drawn = since();
      result.settled = since();
      lastDrawing = Clock::now();
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  for (Damage d : damages) XDamageDestroy(display, d);
  XSync(display, False);
  return result;
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
  int damageErrors = 0;
  if (!XDamageQueryExtension(display, &damageEvents, &damageErrors)) {
    std::fprintf(stderr, "startup_bench: the X display has no damage extension\n");
    return 1;
  }
  XSetErrorHandler(ignoreErrors);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  // One start of each first, not counted: the files they read are in the page cache afterwards.
  timeStart(display, argv[2]);
  timeStart(display, argv[1]);
  std::vector<double> program, bare, programDrawn, bareDrawn, programSettled;
  for (int r = 0; r < rounds; ++r) {
    const Start b = timeStart(display, argv[2]);
    const Start p = timeStart(display, argv[1]);
    if (b.mapped < 0 || p.mapped < 0 || b.drawn < 0 || p.drawn < 0) {
      std::fprintf(stderr, "startup_bench: round %d: %s showed no window, or drew nothing in it\n", r + 1,
                   b.mapped < 0 || b.drawn < 0 ? argv[2] : argv[1]);
      return 1;
    }
    bare.push_back(b.mapped);
    program.push_back(p.mapped);
    bareDrawn.push_back(b.drawn);
    programDrawn.push_back(p.drawn);
    programSettled.push_back(p.settled);
    std::printf(
        "round %2d: first window: program %7.1f ms   bare window %7.1f ms   "
        "drawn: program %7.1f ms   bare window %7.1f ms   list in: program %7.1f ms\n",
        r + 1, p.mapped, b.mapped, p.drawn, b.drawn, p.settled);
  }
  const double mp = median(program), mb = median(bare);
  const double dp = median(programDrawn), db = median(bareDrawn);
  std::printf("median first window: program %7.1f ms   bare window %7.1f ms   ratio %.2f\n", mp, mb, mp / mb);
  std::printf("median drawn:        program %7.1f ms   bare window %7.1f ms   ratio %.2f\n", dp, db, dp / db);
  std::printf("median list in:      program %7.1f ms (last drawing before %lld ms without any)\n",
              median(programSettled), static_cast<long long>(kStill.count()));
  XCloseDisplay(display);
  return 0;
}
