// LeakSanitizer reads these when this test program starts: the font
// configuration library keeps one-time allocations, reachable only from
// its own caches, until the process ends.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
