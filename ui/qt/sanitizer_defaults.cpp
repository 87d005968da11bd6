// In the sanitized build only: caches that Qt and fontconfig keep for the life of the process
// are not leaks of ours, and must not turn the exit code of a closed window into 23.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\n";
}
