// The leak checker's suppressions, built into every test program so that they apply however the
// program is started: allocations that system libraries keep for the life of the process
// (the same list as tests/support/lsan.supp, which the build's own tool runs use).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libQt6Gui\n"
         "leak:libQt6Core\n"
         "leak:libQt6Widgets\n"
         "leak:libglib\n"
         "leak:libdbus\n";
}
