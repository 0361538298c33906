// LeakSanitizer: the font cache that fontconfig keeps for the life of the process
// (Qt asks it for the dialog font). The project's own code is never listed.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
