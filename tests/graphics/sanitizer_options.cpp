// Leak checking of the graphics tests: with a real display SDL opens a desktop bus connection whose
// library keeps its allocations until the process ends; those are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
