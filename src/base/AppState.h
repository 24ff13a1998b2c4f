#pragma once
// The application mode and the two directories every part of the program consults.
//
// Programmatic changes of widgets fire the same change signals as the user's; handlers look at
// AppState to tell whether they should act on a change at all.

#include <QString>
#include <cstdint>

enum AppMode : std::uint8_t {
  ListMode = 0,     // no patient open; only the search acts
  PatientMode = 1,  // a patient and a course are open; every edit is written at once
  LoadingMode = 2,  // a course is being loaded into the window; computed, nothing written
  ImportMode = 3,   // a legacy file is being imported; the importer writes the rows itself
  QuietMode = 4,    // many widgets are being changed by the program, or the window is closing
};

extern std::uint8_t AppState;
extern QString StartDir;  // the process's current directory when the program started
extern QString DBDir;     // the directory of the database file; empty when none is set

// Saves AppState, sets the quiet mode (or another one) and restores the saved value when the
// scope ends, on every path out of it.
class AppStateGuard {
 public:
  explicit AppStateGuard(std::uint8_t mode = QuietMode) : saved_(AppState) { AppState = mode; }
  ~AppStateGuard() { AppState = saved_; }
  AppStateGuard(const AppStateGuard&) = delete;
  AppStateGuard& operator=(const AppStateGuard&) = delete;
  std::uint8_t saved() const { return saved_; }

 private:
  std::uint8_t saved_;
};
