// SDL2 opens a D-Bus connection when it starts its video subsystem and never shuts libdbus down,
// so libdbus's own buffers outlive the program. They are not ours to free: LeakSanitizer calls
// this hook (when it is present) for the leaks to ignore.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
